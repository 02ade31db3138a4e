#!/bin/sh
# The independent OCI consumer check: node-oracledb in thick mode against
# the client-library double, on a scratch embedded database.
# Usage: oci_consumer_check.sh DOUBLE_DIR MOX_DB_TOOL WORK_DIR
# Exits 77 (skipped) when node or the oracledb package cannot be had.
set -u
here=$(cd "$(dirname "$0")" && pwd)
libdir=$1 tool=$2 work=$3
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  echo "SKIPPED: node and npm are not installed (apt-get install nodejs npm)"
  exit 77
fi
mkdir -p "$work"
cp "$here/oci_consumer/package.json" "$here/oci_consumer/check.js" "$work/"
if [ ! -f "$work/node_modules/oracledb/package.json" ]; then
  if ! (cd "$work" && npm install --no-audit --no-fund >npm-install.log 2>&1); then
    echo "SKIPPED: the oracledb npm package cannot be installed (see $work/npm-install.log)"
    exit 77
  fi
fi
MOX_DB_ROOT=$(mktemp -d) || exit 1
export MOX_DB_ROOT
trap 'rm -rf "$MOX_DB_ROOT"' EXIT
"$tool" create CONSUMER && "$tool" user CONSUMER TAVO tavo || exit 1
cd "$work" && node check.js "$libdir" CONSUMER
