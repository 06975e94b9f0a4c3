#!/bin/sh
# The run's end as JSON to a web hook (a chat channel, a shop-floor
# dashboard) with curl.
#   PLYX3_WEBHOOK_URL=https://hooks.example.com/plyx3 plyx3 ONRUNEND=/path/to/webhook.sh
[ -n "$PLYX3_WEBHOOK_URL" ] || { echo "webhook.sh: PLYX3_WEBHOOK_URL is not set" >&2; exit 2; }
# A JSON string: backslashes and quotes escaped, control characters left out.
json() { printf '"%s"' "$(printf '%s' "$1" | tr -d '\000-\037' | sed 's/\\/\\\\/g; s/"/\\"/g')"; }
body=$(printf '{"event":%s,"outcome":%s,"port":%s,"model":%s,"shell_file":%s,"kind":%s,"start":%s,"duration_s":%s,"layers_planned":%s,"layers_reached":%s,"tape_planned_ft":%s,"tape_laid_ft":%s,"error_number":%s,"error_text":%s}' \
    "$(json "$PLYX3_EVENT")" "$(json "$PLYX3_OUTCOME")" "$(json "$PLYX3_PORT")" "$(json "$PLYX3_MODEL")" \
    "$(json "$PLYX3_SHELL_FILE")" "$(json "$PLYX3_KIND")" "$(json "$PLYX3_START")" "$(json "$PLYX3_DURATION_S")" \
    "$(json "$PLYX3_LAYERS_PLANNED")" "$(json "$PLYX3_LAYERS_REACHED")" "$(json "$PLYX3_TAPE_PLANNED_FT")" \
    "$(json "$PLYX3_TAPE_LAID_FT")" "$(json "$PLYX3_ERROR_NUMBER")" "$(json "$PLYX3_ERROR_TEXT")")
# A time limit of its own: a hook that never answers does not leave curl waiting.
exec curl --fail --silent --show-error --max-time 20 -H 'Content-Type: application/json' --data "$body" "$PLYX3_WEBHOOK_URL"
