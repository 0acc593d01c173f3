#!/usr/bin/env bash
# Ends the virtual desktop (and the program on it) that scripts/run.sh started.
export QC_DESKTOP_STATE=/tmp/qingchuan-desktop.state
. "$(dirname "$0")/desktop.sh"
desktop_stop
