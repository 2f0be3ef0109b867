# Renders the start splash and the owner-drawn buttons offscreen into screens/.
if [ -x "$QOR_PROGRAM_DIR/uidemo" ]; then
  mkdir -p "$demo/screens"
  QT_QPA_PLATFORM=offscreen "$QOR_PROGRAM_DIR/uidemo" --png "$demo/screens" > /dev/null 2>&1 \
    && echo "demo: pictures of the splash and the buttons in $demo/screens:" && ls "$demo/screens" | sed 's/^/  /'
fi
