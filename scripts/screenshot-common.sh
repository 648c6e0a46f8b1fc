# Set-up shared by the screenshot scripts; source it, do not run it.
#   shot_setup <program folder> <screenshot>   sets bin, out and tmp (with tmp/home and tmp/app,
#                                              removed on exit) and removes an old screenshot
#   shot_copy_program                          fills tmp/app with a copy of the program folder
#   shot_run <env assignments...> <program> [args...]   runs it under Xvfb on the fresh folders
shot_setup() {
  bin=$(cd "$1" && pwd)
  out=$(realpath -m "$2")
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  mkdir -p "$tmp/home" "$tmp/app"
  rm -f "$out"
}

shot_copy_program() {
  # A copy of the program folder, so its settings and caches stay as they are.
  cp -r "$bin"/. "$tmp/app/"
  touch "$tmp/app/NoTip.ini" "$tmp/app/NoWer.ini"
}

shot_run() {
  local vars=()
  while [[ $# -gt 0 && $1 == *=* ]]; do vars+=("$1"); shift; done
  env HOME="$tmp/home" KALVORA_APPDIR="$tmp/app" "${vars[@]}" \
    timeout 120 xvfb-run -a -s "-screen 0 1280x900x24" "$@"
  test -s "$out"
}
