#!/bin/bash
# shellcheck disable=SC2016 # the single-quoted code runs in the virtual router's shell
# The messaging layer against the real broker inside the virtual router: no broker,
# then the broker scenarios of messaging_broker_test, the wire level in the broker's log,
# and the example subscriber qavo_sub answering requests and reporting signals. The
# success reply carries the stored LAN address in mode 1 and br0's live one in modes 0, 2.
# Concurrent requests to one module each get their own reply; while Debian's mosquitto_pub
# floods the module's request or reply topic, no request takes another client's reply
# (they are refused instead); suffixes that are not UTF-8 are refused at once; the shipped
# broker configuration drops retained and oversized messages.
source "$QAVO_SOURCE_DIR/sim/vrouter/testlib.sh"
driver=$QAVO_BUILD_DIR/tests/system/messaging_broker_test

vr_run --bind "$QAVO_BUILD_DIR" -- bash -c '
	exec 2>&1
	echo "== no broker"
	start=$EPOCHREALTIME; qavo_webreq abc x; echo "status $? fast $(awk -v a=$start -v b=$EPOCHREALTIME "BEGIN { print (b - a < 1) }")"
	printf "listener 1883 127.0.0.1\nallow_anonymous true\npersistence false\nlog_dest file /tmp/broker.log\nlog_type all\n" > /tmp/test-broker.conf
	qv_broker -c /tmp/test-broker.conf -d
	for i in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/1883) 2>/dev/null && break; sleep 0.1; done
	echo "== driver"
	'"$driver"' --gtest_filter=-ShippedBroker.* > /tmp/driver.out 2>&1; echo "driver status $?"
	echo "== qavo_sub"
	qavo_sub -h 127.0.0.1 -t "pelvanto/router/#" > /tmp/qavo_sub.out 2>&1 &
	sleep 0.3
	qavo_webreq echo "{\"x\":1}"
	qavo_webreq setcfg "{\"HostName\":\"den\",\"wtime\":\"3\",\"reserv\":\"r\"}" | tr -d "\t\n"; echo
	qavo_webreq getcfg "{\"keys\":[\"HostName\",\"NoSuchKey\"]}"
	ip addr add 10.9.8.7/24 dev br0
	qavo_webreq setcfg "{\"OperationMode\":\"0\"}" | grep lan_ip
	qavo_webreq setcfg "{\"OperationMode\":\"2\"}" | grep lan_ip
	qavo_webreq getcfg "not json" | tr -d "\t\n"; echo
	qavo_webreq nosuchmodule "{}" | tr -d "\t\n"; echo
	echo "== concurrent requests"
	for i in $(seq 20); do pairs="$pairs\"key$i\":\"value$i\","; done
	qavo_webreq setcfg "{${pairs%,}}" > /dev/null
	mixed=0
	for round in 1 2 3; do
		requests=""
		for i in $(seq 20); do qavo_webreq getcfg "{\"keys\":[\"key$i\"]}" > /tmp/request$i.out & requests="$requests $!"; done
		wait $requests
		for i in $(seq 20); do grep -q "\"key$i\":\"value$i\"" /tmp/request$i.out || mixed=$((mixed + 1)); done
	done
	echo "replies to another request: $mixed of 60"
	echo "== other clients flooding the request and the reply topic"
	for topic in pelvanto/router/echo pelvanto/router/echo/R; do
		while :; do printf "flood%.0s\n" 1 2 3 4 5; sleep 0.002; done | mosquitto_pub -h 127.0.0.1 -t "$topic" -l &
		sleep 0.5
		wrong=0 refused=0
		for i in $(seq 20); do
			case $(qavo_webreq echo "ping$i" 2> /dev/null) in
			"ping$i") ;;
			"{\"error\":"*) refused=$((refused + 1)) ;;
			*) wrong=$((wrong + 1)) ;;
			esac
		done
		kill $!; wait $! 2> /dev/null
		echo "$topic: wrong replies $wrong of 20, refusals $([ $refused -gt 0 ] && echo some || echo none)"
	done
	sleep 0.5; qavo_webreq echo "after the floods"
	echo "== suffix that is not UTF-8"
	bad=$(printf "bad\377")
	start=$EPOCHREALTIME; qavo_webreq "$bad" "{}"; echo "status $? fast $(awk -v a=$start -v b=$EPOCHREALTIME "BEGIN { print (b - a < 1) }")"
	qavo_pub 127.0.0.1 "$bad" x; echo "status $?"
	killall -TSTP qavo_sub; sleep 0.2; killall -TTIN qavo_sub; sleep 0.2
	killall qavo_sub; sleep 0.2
	cat /tmp/qavo_sub.out
	echo "== shipped broker configuration"
	killall qv_broker; sleep 0.3
	qv_broker -c /etc_ro/mosquitto.conf -d
	for i in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/1883) 2>/dev/null && break; sleep 0.1; done
	'"$driver"' --gtest_filter=ShippedBroker.* > /tmp/shipped.out 2>&1; echo "shipped broker status $?"
	cp /tmp/driver.out /tmp/shipped.out /tmp/broker.log /.vrouter/log/
'
driver_out=$(cat "$VR_STATE/log/driver.out" 2> /dev/null)
grep -q '\[  PASSED  \] 8 tests' <<< "$driver_out" || vr_fail "broker scenarios: $driver_out"
expect_lines "messaging run" "$(cat "$VR_STDOUT")" << 'EOF2'
== no broker
(no reply: broker not reachable)
status 1 fast 1
== driver
driver status 0
== qavo_sub
{"x":1}
{"success":true,"error":null,"lan_ip":"192.168.1.1","wtime":"3","reserv":"r"}
{"HostName":"den","NoSuchKey":"0"}
	"lan_ip":	"10.9.8.7",
	"lan_ip":	"10.9.8.7",
{"success":false,"error":"request is not a JSON object"}
{"success":false,"error":"unknown module"}
== concurrent requests
replies to another request: 0 of 60
== other clients flooding the request and the reply topic
pelvanto/router/echo: wrong replies 0 of 20, refusals some
pelvanto/router/echo/R: wrong replies 0 of 20, refusals some
after the floods
== suffix that is not UTF-8
Error: Topic suffix is not UTF-8 text without control characters (byte 4); nothing was sent.
(no reply: broker not reachable)
status 1 fast 1
Error: Topic suffix is not UTF-8 text without control characters (byte 4); nothing was sent.
status 1
[qavo_sub] SIGTSTP: the static WAN is up
[qavo_sub] SIGTTIN: disk partitions were found
== shipped broker configuration
shipped broker status 0
EOF2
grep -q "as mosqsub/.* (p1, c1, k60)" "$VR_STATE/log/broker.log" || vr_fail "no MQTT 3.1 request client in the broker log"
finish
