#!/usr/bin/env bash
# Installs what Mora needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/bin/Mora "$@"
