#!/usr/bin/env bash
# Ends the virtual desktop (and the program on it) that scripts/run.sh started.
set -euo pipefail
# shellcheck source=desktop.sh
. "$(dirname "$0")/desktop.sh"
state=$(qc_private_dir)
export QC_DESKTOP_STATE=$state/desktop.state
desktop_stop
