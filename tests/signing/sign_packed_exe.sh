#!/usr/bin/env bash
# Packing rewrites bytes inside the executable, so it has to come before
# Authenticode signing. This proves the order works: a packed updater can be
# signed and the signature verifies, and packing a signed file again breaks it.
# Usage: sign_packed_exe.sh PACKED_EXE NORVEK_PACK MANIFEST
set -euo pipefail
packed=$1 pack=$2 manifest=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$(dirname "$0")/sign_file.sh" "$packed" "$work/signed.exe" "$work"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/verify.log" 2>&1 || {
  cat "$work/verify.log"; echo "signing: a freshly signed package does not verify"; exit 1; }
echo "signing: packed exe signed and verified"

# Repacking the signed file with another title changes signed bytes: the
# signature must then fail. The changed manifest sits beside the original so
# its image paths still resolve.
changed=$(mktemp "$(dirname "$manifest")/resign.XXXXXX.toml")
trap 'rm -rf "$work" "$changed"' EXIT
sed 's/^title = .*/title = "Repacked after signing"/' "$manifest" >"$changed"
"$pack" build --force --test-loaders --template "$work/signed.exe" --manifest "$changed" -o "$work/repacked.exe" >/dev/null
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/repacked.exe" >/dev/null 2>&1; then
  echo "signing: a package repacked after signing still verifies"
  exit 1
fi
echo "signing: repacking after signing invalidates the signature, as expected"
