#!/usr/bin/env bash
# A day at the plant on this machine: three workstations, each in a network namespace of its own with
# its own address, host name and screen, joined by a bridge, all on the same demo databases. Logins,
# notices to a person and a department, a reply, a defect report, a defect elimination with its
# acceptance request, attendance, a password change and the upgrade of one workstation through the
# updater; every row and pop-up is checked. Needs root. Leaves each workstation's screen as PNG files
# under build/plant-screens/ (or the folder given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "the plant simulation makes network namespaces: run it as root" >&2
  exit 1
fi
scripts/setup.sh
scripts/build.sh
shots=$(realpath -m "${1:-build/plant-screens}")
mkdir -p "$shots"
VEK_PLANT_SHOTS=$shots QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 QT_LOGGING_RULES='qt.qpa.*=false' build/tests/tst_plant
echo "screens of the three workstations: $shots"
