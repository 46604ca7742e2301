# shellcheck shell=sh disable=SC2034 # the setting_* variables are for the caller
# Sourced by the harness's commands that take a stored setting as "[SECTION:]KEY=VALUE"
# (vrouter's and emulated-router's --set, boot-report's --set and --settings lines).

# setting_parse SETTING: setting_section, setting_key and setting_value of SETTING;
# SECTION is one of the store's sections (0, 1, 2860), 2860 (the router's own) when
# none is named. Fails, setting nothing, when SETTING has no "=".
setting_parse() {
	case $1 in *=*) ;; *) return 1 ;; esac
	setting_section=2860 setting_key=${1%%=*} setting_value=${1#*=}
	case $setting_key in
	0:* | 1:* | 2860:*) setting_section=${setting_key%%:*} setting_key=${setting_key#*:} ;;
	esac
}
