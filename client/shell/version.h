#pragma once

#include <QString>
#include <QStringList>

namespace vek {

class TDataModule1;

// Splits a version text into four parts: three taken up to a ".", the fourth the remainder. A text
// with fewer dots yields empty parts, which fail when they must be compared.
QStringList splitVersion(const QString& version);

// True when `announced` is greater than `running`, comparing the parts as integers pair by pair.
// A pair is converted only when all pairs before it were equal; a part that is not an integer
// throws VekError ("'x' is not a valid integer value").
bool versionIsNewer(const QString& running, const QString& announced);

// The upgrade hand-over: starts <executable folder>/p_vekupd, closes the connections and ends the
// process with exit code 0. When the updater cannot be started it says so and returns false, and the
// caller goes on as if no newer version existed.
bool upgradeHandover(TDataModule1& dataModule);

// The updater's path beside the running executable.
QString updaterPath();

} // namespace vek
