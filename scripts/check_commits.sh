#!/usr/bin/env bash
# Fails on a commit subject longer than 72 characters, from the commit that made it a rule on
# (older history stays as it was written). In a clone without that commit, checks HEAD only.
set -euo pipefail
cd "$(dirname "$0")/.."

first_checked=0cb4939
range=HEAD^!
if git cat-file -e "$first_checked^{commit}" 2>/dev/null; then
  range="$first_checked^..HEAD"
fi
long=$(git log --format=%s "$range" | awk 'length > 72')
if [ -n "$long" ]; then
  echo "commit subjects longer than 72 characters:" >&2
  echo "$long" >&2
  exit 1
fi
