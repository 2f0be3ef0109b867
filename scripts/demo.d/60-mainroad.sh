# The main road: a small IP library, request lines written into iis/log/iis.log as the
# filter module writes them (one open, write and close a line, GBK text, region
# markers around the visitor's address), and the lines of today's daily log that the
# running service makes of them, with country and province names.
svc="$QOR_PROGRAM_DIR/qoripsvc"
sc="$QOR_PROGRAM_DIR/qorsc"
if [ -x "$svc" ] && [ -x "$sc" ] && command -v iconv > /dev/null; then
  ip() { # a.b.c.d as the library's number
    local IFS=.
    set -- $1
    echo $(( ($1 << 24) + ($2 << 16) + ($3 << 8) + $4 ))
  }
  # first|span|country|province|0 per record: 中国 154 with 北京市 1002, 上海市 1026,
  # 广东省 1005; 美国 81 and 日本 100 without a province. The first record that holds
  # an address decides, so the narrower Beijing range must come before its /8.
  {
    printf '%s|65535|154|1002|0*' "$(ip 61.135.0.0)"
    printf '%s|16777215|154|0|0*' "$(ip 61.0.0.0)"
    printf '%s|65535|154|1026|0*' "$(ip 202.96.0.0)"
    printf '%s|65535|154|1005|0*' "$(ip 58.16.0.0)"
    printf '%s|255|81|0|0*' "$(ip 8.8.8.0)"
    printf '%s|16777215|100|0|0*' "$(ip 133.0.0.0)"
  } > "$QOR_PROGRAM_DIR/iplib.db"
  echo "demo: sample IP library written ($(tr -cd '*' < "$QOR_PROGRAM_DIR/iplib.db" | wc -c) ranges)"

  # The log worker reads the library when it starts. The old service process and its
  # supervisor are let go before the new start.
  echo "demo: restarting the service so that it loads the library"
  dir="${QOR_PROGRAM_DIR%/}"
  "$sc" stop qoripsvc > /dev/null 2>&1 || true
  for _ in $(seq 1 100); do
    pgrep -f "^$dir/(qoripsvc|qorsc supervise qoripsvc)\$" > /dev/null || break
    sleep 0.1
  done
  "$sc" start qoripsvc > /dev/null || echo "  (the service did not start)"
  for _ in $(seq 1 100); do
    "$sc" query qoripsvc | grep -q 'STATE: 4 RUNNING' && break
    sleep 0.1
  done
  "$sc" query qoripsvc | sed -n '1,3s/^/  /p'

  now="$(date '+%Y-%-m-%-d %-H:%-M:%-S')"
  reqlog="$QOR_PROGRAM_DIR/iis/log/iis.log"
  mkdir -p "$QOR_PROGRAM_DIR/iis/log"
  echo "demo: request lines written by the filter module:"
  while IFS= read -r line; do
    printf '%s\n' "$line" | sed 's/^/  /'
    printf '%s\n' "$line" | iconv -f UTF-8 -t GBK >> "$reqlog"
  done <<LINES
$now	区域	拦截访问	<ipstart>61.135.169.121<ipend>	~area~
$now	IP	拦截访问	<ipstart>61.4.5.6<ipend>	~area~
$now	URL	拦截访问	<ipstart>202.96.12.7<ipend>	来自~state~
$now	蜘蛛	拦截访问	<ipstart>8.8.8.8<ipend>	~area~
$now	来路	拦截访问	<ipstart>133.1.2.3<ipend>	~area~
$now	浏览器	拦截访问	<ipstart>::ffff:58.16.3.4<ipend>	~area~
$now	OS	拦截访问	<ipstart>192.0.2.1<ipend>	~area~
LINES

  daily="$QOR_PROGRAM_DIR/log/qor$(date +%Y-%m-%d).log"
  echo "demo: waiting for the service to take the request log"
  for _ in $(seq 1 200); do
    [ -e "$reqlog" ] || [ -e "$reqlog.work" ] || break
    sleep 0.1
  done
  if [ -s "$daily" ]; then
    echo "demo: today's daily log $(basename "$daily"):"
    iconv -f GBK -t UTF-8 "$daily" | sed 's/^/  /'
  else
    echo "demo: no daily log appeared; service log:"
    sed 's/^/  /' "$QOR_PROGRAM_DIR/log/qor.log" 2> /dev/null | iconv -f GBK -t UTF-8
  fi
else
  echo "demo: qoripsvc, qorsc or iconv missing; main road step skipped"
fi
