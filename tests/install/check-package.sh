#!/usr/bin/env bash
# Usage: check-package.sh BUILD_DIR SOURCE_DIR VERSION
# Builds the Debian package as `make package` does and lets Debian's own checker judge it.
set -euo pipefail
build=$1
source=$2
version=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

logged=$(dpkg-parsechangelog -l "$source/data/debian/changelog" -S Version)
[[ "$logged" == "$version" ]] || { echo "changelog's latest entry is $logged, not $version"; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/verbalto_*.deb)
contents=$(dpkg-deb -c "$deb")
for file in doc/verbalto/copyright doc/verbalto/changelog.gz \
  man/man1/verbalto.1.gz man/man1/verbalto-cli.1.gz man/man1/patchwell.1.gz \
  bash-completion/completions/verbalto-cli dbus-1/services/org.verbalto.Verbalto.service; do
  grep -q " ./usr/share/$file\$" <<<"$contents" || { echo "package lacks /usr/share/$file"; exit 1; }
done
grep -qE " \./usr/lib/([^/]+/)?verbalto/verbalto-network\.so\$" <<<"$contents" ||
  { echo "package lacks the network module"; exit 1; }
# The page made from --help carries its options, and the whole usage, wrapped or not, in SYNOPSIS.
page=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man1/verbalto-cli.1.gz | gzip -d)
grep -q 'list\\-languages' <<<"$page" || { echo "verbalto-cli.1 lacks the options"; exit 1; }
sed -n '/^\.SH SYNOPSIS/,/^\.SH DESCRIPTION/p' <<<"$page" | grep -q 'TEXT' ||
  { echo "verbalto-cli.1 has a broken SYNOPSIS"; exit 1; }

service=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/dbus-1/services/org.verbalto.Verbalto.service)
grep -qx 'Exec=/usr/bin/verbalto --dbus-activated' <<<"$service" ||
  { echo "the bus would start Verbalto by the wrong path"; exit 1; }

lintian --fail-on error,warning --tag-display-limit 0 "$deb"
echo "lintian: no errors or warnings"
