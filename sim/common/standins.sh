# shellcheck shell=sh
# Both routers' stand-ins and logging-shell prelude.
#   standin_names FILE        the names FILE (sim/common/standins) lists, one per line
#   sh_prelude APPLETS NAME...   /.vrouter/sh-prelude, which shlog puts before each command:
#       BusyBox ash runs its applets before PATH, so functions send "sh" to the logging
#       shell, "udhcpc" to sim/common/udhcpc-h and each stand-in NAME that APPLETS names to
#       /.vrouter/bin.

standin_names() { sed 's/#.*//' "$1" | tr -s '[:blank:]' '\n' | sed '/^$/d'; }

sh_prelude() {
	prelude_applets=" $(printf '%s' "$1" | tr -s '[:space:]' ' ') "
	shift
	echo 'sh() { /bin/sh "$@"; }'
	echo 'udhcpc() { /.vrouter/bin/udhcpc "$@"; }'
	for prelude_name; do
		case $prelude_applets in
		*" $prelude_name "*) echo "$prelude_name() { /.vrouter/bin/$prelude_name \"\$@\"; }" ;;
		esac
	done
}
