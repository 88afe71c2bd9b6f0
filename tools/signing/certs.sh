#!/usr/bin/env bash
# Makes (once, cached) the throwaway code-signing certificates the build and
# the tests use, and prints the folder that holds them.
#
#   tools/signing/certs.sh [FOLDER]
#
# FOLDER defaults to $VORUD_CACHE/signing (VORUD_CACHE defaults to
# ~/.cache/vorud). It receives:
#   publisher.pem / publisher.key   self-signed, CN = the publisher's name
#   other.pem / other.key           self-signed, CN = another company
#   testca.pem / testca.cer         a test root CA (PEM and DER)
#   testca-leaf.pem / .key          publisher CN, issued by the test CA
#   expired.pem / expired.key       publisher CN, issued by the test CA, expired
# The two issued certificates' .pem files hold the chain (leaf, then CA), as a
# real signer's would.
#
# Every certificate is signed with SHA-1: Wine skips the chain policy for
# SHA-256-signed certificates and would then call untrusted or expired
# certificates valid.
set -euo pipefail

dir=${1:-${VORUD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vorud}/signing}
publisher='成都青岚科技有限公司'
other='Some Other Software Co., Ltd.'
version=3   # bump when the set of certificates changes

if [ -f "$dir/.complete-$version" ]; then
  echo "$dir"
  exit 0
fi

mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9
if [ -f "$dir/.complete-$version" ]; then
  echo "$dir"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

selfsigned() { # name cn
  openssl req -x509 -utf8 -sha1 -newkey rsa:2048 -nodes -days 3650 \
    -subj "/CN=$2" -keyout "$dir/$1.key" -out "$dir/$1.pem" \
    -addext "basicConstraints=critical,CA:FALSE" \
    -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" 2>/dev/null
}

selfsigned publisher "$publisher"
selfsigned other "$other"

# The test root CA.
openssl req -x509 -utf8 -sha1 -newkey rsa:2048 -nodes -days 3650 \
  -subj "/CN=Vorud Test Root CA" -keyout "$dir/testca.key" -out "$dir/testca.pem" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl x509 -in "$dir/testca.pem" -outform DER -out "$dir/testca.cer"

# Leaves issued by the test CA; `openssl ca` is the one tool here that sets an
# arbitrary validity window.
mkdir -p "$work/ca/new"
: >"$work/ca/index.txt"
echo 1000 >"$work/ca/serial"
cat >"$work/ca.cnf" <<EOF
[ca]
default_ca = testca
[testca]
dir = $work/ca
database = \$dir/index.txt
new_certs_dir = \$dir/new
serial = \$dir/serial
certificate = $dir/testca.pem
private_key = $dir/testca.key
default_md = sha1
policy = anything
unique_subject = no
email_in_dn = no
copy_extensions = none
x509_extensions = codesign
utf8 = yes
string_mask = utf8only
[anything]
commonName = supplied
[codesign]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
authorityKeyIdentifier = keyid
subjectKeyIdentifier = hash
EOF

issue() { # name startdate enddate
  openssl req -new -utf8 -newkey rsa:2048 -nodes -subj "/CN=$publisher" \
    -keyout "$dir/$1.key" -out "$work/$1.csr" 2>/dev/null
  openssl ca -batch -config "$work/ca.cnf" -utf8 -startdate "$2" -enddate "$3" \
    -in "$work/$1.csr" -out "$work/$1.full.pem" >/dev/null 2>&1
  openssl x509 -in "$work/$1.full.pem" -out "$dir/$1.pem"
  cat "$dir/testca.pem" >>"$dir/$1.pem"
}

issue testca-leaf "$(date -u -d '1 day ago' +%Y%m%d%H%M%SZ)" "$(date -u -d '+10 years' +%Y%m%d%H%M%SZ)"
issue expired 20200101000000Z 20210101000000Z

touch "$dir/.complete-$version"
echo "$dir"
