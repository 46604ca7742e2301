# shellcheck shell=sh
# The recording stand-ins and the logging shell's prelude, the same for both routers;
# sourced by sim/vrouter-inside.sh and scripts/emulated-router.sh.
#   standin_names FILE        the names FILE (sim/common/standins) lists, one per line
#   sh_prelude APPLETS NAME...
#       prints /.vrouter/sh-prelude, which the logging shell (sim/shlog.c) puts before
#       each command: BusyBox ash runs its applets before PATH, so shell functions send
#       "sh" to the logging shell, "udhcpc" to sim/udhcpc-h and each stand-in NAME that
#       the blank-separated list APPLETS names to the stand-in in /.vrouter/bin.

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
