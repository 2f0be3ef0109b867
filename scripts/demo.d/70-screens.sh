# Pictures of every window and page of the panel (main window on its three pages,
# the rule editor on each page, site picker, log viewer, About box, splash, tray
# menu) and of the owner-drawn buttons, rendered offscreen into screens/. Where a
# display is present, the panel itself starts on the demo installation.
if [ -x "$QOR_PROGRAM_DIR/qorscreens" ]; then
  mkdir -p "$demo/screens"
  # The panel's start brings IIS in line with its settings; the pictures are taken on a
  # copy of the installation, so that the demo's own state stays as the steps left it.
  shots="$(mktemp -d)"
  cp -a "$demo/prog" "$shots/prog"
  cp -a "$demo/machine" "$shots/machine" 2> /dev/null || true
  rm -rf "$shots/machine/ipc"
  # The panel's start starts the copy's tray program: it is ended with the copy, and
  # must not hold the output open meanwhile.
  QOR_PROGRAM_DIR="$shots/prog/" QOR_MACHINE_ROOT="$shots/machine/" QT_QPA_PLATFORM=offscreen QOR_TIME_SCALE=0.05 \
    "$shots/prog/qorscreens" "$demo/screens" > "$shots/screens.txt" 2> /dev/null \
    || echo "demo: some pictures were not written"
  sed 's/^/demo: screens: /' "$shots/screens.txt"
  QOR_MACHINE_ROOT="$shots/machine/" "$here/scripts/stop.sh" "$shots/prog" > /dev/null
  rm -rf "$shots"
fi
if [ -x "$QOR_PROGRAM_DIR/uidemo" ]; then
  mkdir -p "$demo/screens"
  QT_QPA_PLATFORM=offscreen "$QOR_PROGRAM_DIR/uidemo" --png "$demo/screens" > /dev/null 2>&1 || true
fi
if [ -d "$demo/screens" ]; then
  echo "demo: pictures of the panel in $demo/screens:"
  ls "$demo/screens" | sed 's/^/  /'
fi
if [ -n "${DISPLAY:-}" ] && [ -x "$QOR_PROGRAM_DIR/QorIP" ]; then
  echo "demo: starting the panel QorIP on the demo installation"
  nohup "$QOR_PROGRAM_DIR/QorIP" > /dev/null 2>&1 &
fi
