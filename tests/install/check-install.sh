#!/usr/bin/env bash
# Usage: check-install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

for program in verbalto patchwell verbalto-cli; do
  [[ -x "$prefix/bin/$program" ]] || { echo "missing bin/$program"; exit 1; }
done
# The window opens its network module from beside the library folder it was built for.
compgen -G "$prefix/lib/verbalto/verbalto-network.so" >/dev/null ||
  compgen -G "$prefix/lib/*/verbalto/verbalto-network.so" >/dev/null ||
  { echo "missing the network module"; exit 1; }
out=$("$prefix/bin/verbalto-cli" --version)
[[ "$out" == "verbalto-cli $version" ]] || { echo "unexpected --version: $out"; exit 1; }

desktop="$prefix/share/applications/org.verbalto.Verbalto.desktop"
desktop-file-validate "$desktop"
grep -q '^Exec=verbalto$' "$desktop"
# Launchers start the actions through the bus, which starts Verbalto by the installed path; others
# run the actions' own command lines. Each action has its name in the three languages.
grep -qx 'DBusActivatable=true' "$desktop"
service="$prefix/share/dbus-1/services/org.verbalto.Verbalto.service"
grep -qx 'Name=org.verbalto.Verbalto' "$service"
grep -qx "Exec=$prefix/bin/verbalto --dbus-activated" "$service"
for action in translate-selection translate-clipboard; do
  names=$(sed -n "/^\[Desktop Action $action\]/,/^\[/p" "$desktop")
  for key in 'Name=' 'Name\[zh_CN\]=' 'Name\[zh_TW\]=' "Exec=verbalto --$action\$"; do
    grep -q "^$key" <<<"$names" || { echo "action $action lacks $key"; exit 1; }
  done
done
appstreamcli validate --no-net "$prefix/share/metainfo/org.verbalto.Verbalto.metainfo.xml"
for size in 16x16 32x32 48x48 128x128; do
  [[ -s "$prefix/share/icons/hicolor/$size/apps/org.verbalto.Verbalto.png" ]] || { echo "missing $size icon"; exit 1; }
done
echo "installed and valid"
