#!/usr/bin/env bash
# Signs a file with Authenticode as a maker's release signing would, with a
# throwaway self-signed certificate ("CN=Norvek test signer") kept in
# CERT_DIR (made there when it has none), for the tests that need signed
# updater files. osslsigncode rewrites the PE checksum as it signs.
# Usage: sign_file.sh IN OUT CERT_DIR
set -euo pipefail
in=$1 out=$2 certs=$3
mkdir -p "$certs"
if [ ! -f "$certs/cert.pem" ]; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Norvek test signer" \
    -keyout "$certs/key.pem" -out "$certs/cert.pem" 2>/dev/null
fi
rm -f "$out"
osslsigncode sign -certs "$certs/cert.pem" -key "$certs/key.pem" -h sha256 \
  -n "Norvek updater" -in "$in" -out "$out" >/dev/null
