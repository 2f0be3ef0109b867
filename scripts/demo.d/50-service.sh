# Installs the background service, starts it through the service manager and shows
# its status. It stays running for the steps that follow (stop: qorsc stop qoripsvc).
svc="$QOR_PROGRAM_DIR/qoripsvc"
sc="$QOR_PROGRAM_DIR/qorsc"
if [ -x "$svc" ] && [ -x "$sc" ]; then
  # The store and the settings as a first start of the panel leaves them; Word8 lets
  # the service's workers start at once.
  mkdir -p "$QOR_PROGRAM_DIR/iis/log" "$QOR_PROGRAM_DIR/log"
  [ -e "$QOR_PROGRAM_DIR/iis/config.db" ] || : > "$QOR_PROGRAM_DIR/iis/config.db"
  [ -e "$QOR_PROGRAM_DIR/iis/config.ini" ] || printf '[System]\nWord8=1\n' > "$QOR_PROGRAM_DIR/iis/config.ini"
  echo "demo: installing the service"
  "$svc" -i | sed 's/^/  /'
  echo "demo: starting it through the service manager"
  "$sc" start qoripsvc | sed 's/^/  /' || echo "  (the service did not start)"
  echo "demo: service status"
  "$sc" query qoripsvc | sed 's/^/  /'
  echo "demo: event log"
  "$sc" events | sed 's/^/  /'
else
  echo "demo: qoripsvc or qorsc not built; service step skipped"
fi
