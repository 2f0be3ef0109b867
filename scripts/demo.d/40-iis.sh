# IIS: installs the appcmd stand-in, seeds an IIS 7 state with sites and pools,
# registers the filter module with QoripTools -load_isapi (32 and 64 bit, through
# appcmd), recycles the running pools and shows the filter list, the sites and the
# journal of changes.
tools="$QOR_PROGRAM_DIR/QoripTools"
appcmd_built="$QOR_PROGRAM_DIR/appcmd"
if [ -x "$tools" ] && [ -x "$appcmd_built" ]; then
  inetsrv="$QOR_MACHINE_ROOT/Windows/System32/inetsrv"
  mkdir -p "$inetsrv"
  cp "$appcmd_built" "$inetsrv/appcmd"
  appcmd="$inetsrv/appcmd"
  echo "demo: seeding the IIS state"
  "$appcmd" qor-seed iis7 | sed 's/^/  /'
  # The filter module is not part of this system; stand-ins mark where it lies.
  mkdir -p "$QOR_PROGRAM_DIR/iis/log" "$QOR_PROGRAM_DIR/log"
  for m in qorip.dll qorip64.dll; do
    [ -e "$QOR_PROGRAM_DIR/iis/$m" ] || : > "$QOR_PROGRAM_DIR/iis/$m"
  done
  echo "demo: QoripTools -load_isapi (exit $(QOR_TIME_SCALE=0.01 "$tools" -load_isapi; echo $?))"
  echo "demo: QoripTools -qor_recoveriis (exit $(QOR_TIME_SCALE=0.01 "$tools" -qor_recoveriis; echo $?))"
  echo "demo: ISAPI filters as appcmd lists them:"
  "$appcmd" list config /section:isapiFilters | sed 's/^/  /'
  echo "demo: sites of the IIS state:"
  grep -a -E '^\[W3SVC/[0-9]+(/Root)?\]$|^(ServerComment|ServerBindings|ServerState|AppPoolId)=' \
    "$QOR_MACHINE_ROOT/iis/metabase.txt" | iconv -f GBK -t UTF-8 | sed 's/^/  /'
  echo "demo: journal of the IIS state:"
  iconv -f GBK -t UTF-8 "$QOR_MACHINE_ROOT/iis/journal.log" | sed 's/^/  /'
  if [ -f "$QOR_PROGRAM_DIR/log/QoripTools.log" ]; then
    echo "demo: toolbox log:"
    iconv -f GBK -t UTF-8 "$QOR_PROGRAM_DIR/log/QoripTools.log" | sed 's/^/  /'
  fi
else
  echo "demo: QoripTools or appcmd not built; IIS step skipped"
fi
