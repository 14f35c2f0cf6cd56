# Sourced by the packaging scripts: the program's facts, from the version header that CMake
# generates from project() (BUILD/generated/Version.h).
#   glyphcast_facts HEADER   sets name, version, publisher and copyright; returns non-zero, having
#                            said why, when one is missing
glyphcast_facts() {
  local header=$1 define variable value
  for define in NAME:name VERSION:version PUBLISHER:publisher COPYRIGHT:copyright; do
    variable=${define#*:}
    value=$(sed -n "s/^#define GLYPHCAST_${define%%:*} \"\(.*\)\"\$/\1/p" "$header" 2>/dev/null)
    if [ -z "$value" ]; then
      echo "GLYPHCAST_${define%%:*} is missing from $header" >&2
      return 1
    fi
    printf -v "$variable" '%s' "$value"
  done
}
