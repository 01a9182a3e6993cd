#!/usr/bin/env bash
# Runs a build command as a Windows build would: a Windows program under the project's Wine.
case $1 in
  *.exe) exec "$(dirname "$0")/../../scripts/wine-run" "$@" ;;
  *) exec "$@" ;;
esac
