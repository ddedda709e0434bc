# Sourced by the measuring scripts: a desktop like a user's (openbox and trayer on the display the
# script runs under), a local vendor server so that nothing leaves the machine, and a private
# configuration. Sets $work, $tool (main-window) and the helpers to stop; expects $top and $build.
tool="$build/main-window"
if [[ ! -x "$tool" || "$top/scripts/tools/main-window.c" -nt "$tool" ]]; then
  cc -O2 -o "$tool" "$top/scripts/tools/main-window.c" -lX11
fi

work=$(mktemp -d)
helpers=()
cleanup() {
  for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

openbox >/dev/null 2>&1 & helpers+=($!)
sleep 1
trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
  >/dev/null 2>&1 & helpers+=($!)
sleep 1

# The vendor's server: the popup's page; no promotion list, so the offline banner plays.
mkdir -p "$work/www"
printf '<html><body><p>An English sentence a day.</p></body></html>\n' >"$work/www/verbalto.html"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$work/www" "$port" >/dev/null 2>&1 &
helpers+=($!)
export VERBALTO_VENDOR_URL="http://127.0.0.1:$port" VERBALTO_TRANSLATE_URL="http://127.0.0.1:$port"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME/Verbalto" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
printf '[Service]\nName=page\n' >"$XDG_CONFIG_HOME/Verbalto/Verbalto.ini"
sleep 1
