#!/usr/bin/env bash
# What `make run` starts: the JSON tool on a sample game answer, pretty-printed.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
"$build/apps/vantry-json" --pretty "$root/resources/sample-play-answer.json"
