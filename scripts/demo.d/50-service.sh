# Installs the background service, starts it through the service manager and shows
# its status. It stays running for the steps that follow (stop: qorsc stop qoripsvc).
svc="$QOR_PROGRAM_DIR/qoripsvc"
sc="$QOR_PROGRAM_DIR/qorsc"
if [ -x "$svc" ] && [ -x "$sc" ]; then
  # What an installer leaves: the store as an administrator has it right after
  # installing (the panel's defaults, protection on, so that opening the panel keeps the
  # filter registered), Word8 (the service's workers start at once), and the digest of
  # an uninstall key in the system folder's record file, the key itself in uninstall-key.
  mkdir -p "$QOR_PROGRAM_DIR/iis/log" "$QOR_PROGRAM_DIR/log" "$QOR_MACHINE_ROOT/Windows/System32"
  if [ -x "$QOR_PROGRAM_DIR/qorstore" ]; then
    "$QOR_PROGRAM_DIR/qorstore" | sed 's/^/demo: /'
  else
    : > "$QOR_PROGRAM_DIR/iis/config.db"
  fi
  [ -e "$QOR_PROGRAM_DIR/iis/config.ini" ] || printf '[System]\nWord8=1\n' > "$QOR_PROGRAM_DIR/iis/config.ini"
  key="$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')"
  printf '%s\n' "$key" > "$demo/uninstall-key"
  printf '[qor]\nukey=%s\n' "$(printf '%s' "$key" | md5sum | cut -c1-32)" > "$QOR_MACHINE_ROOT/Windows/System32/qorip.db"
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
