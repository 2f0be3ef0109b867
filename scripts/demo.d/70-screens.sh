# Pictures of every window and page of the panel (main window on its three pages,
# the rule editor on each page, site picker, log viewer, About box, splash, tray
# menu) and of the owner-drawn buttons, rendered offscreen into screens/. Where a
# display is present, the panel itself starts on the demo installation.
if [ -x "$QOR_PROGRAM_DIR/qorscreens" ]; then
  mkdir -p "$demo/screens"
  QT_QPA_PLATFORM=offscreen QOR_TIME_SCALE=0.05 "$QOR_PROGRAM_DIR/qorscreens" "$demo/screens" 2>/dev/null \
    | sed 's/^/demo: screens: /'
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
