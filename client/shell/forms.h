#pragma once

namespace vek {

class TDataModule1;
class Tmain;
class Tdl;

// Client-wide instance variables, one per window, named after the form. Empty until the object
// exists; the start-up assigns the first three and they are never cleared while the client runs.
namespace forms {
inline TDataModule1* DataModule1 = nullptr;
inline Tmain* main = nullptr;
inline Tdl* dl = nullptr;
} // namespace forms

} // namespace vek
