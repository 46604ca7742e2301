# Reads the "command" and "median" lines of hyperfine's JSON export (one per line, as
# hyperfine writes them; anything before the key is ignored) and prints each command's
# median, then the first command's as a share of the second's. The medians, not the
# means: the mean drifts with the other load of a shared machine.
BEGIN { FS = ": " }
/"command":/ { command = $2; gsub(/[",]/, "", command) }
/"median":/ { median[++n] = $2 + 0; printf "median %.2f ms  %s\n", $2 * 1000, command }
END { if (n == 2) printf "ours / theirs (medians): %.2fx\n", median[1] / median[2] }
