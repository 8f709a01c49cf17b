#!/bin/sh
# A new user tries the demo line: "kivo-line answer" waits on it through the
# telephony library's flat interface, "kivo-line ring" rings it with a
# caller's name and number, the caller speaks after the tone and hangs up,
# and the message is saved as a wave file.
# Usage: kivo_line_demo_test.sh KIVO_LINE_BINARY
set -eu
tool="$1"
work=$(mktemp -d)
answer_pid=""
cleanup() {
    if [ -n "$answer_pid" ]; then kill "$answer_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/kivo" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[demo]\nring_period_ms = 300\n' > "$XDG_CONFIG_HOME/kivo/telephony.conf"
# The caller's words: two seconds of a 1 kHz tone, 8 kHz mono 16-bit.
sox -n -r 8000 -c 1 -b 16 "$work/caller.wav" synth 2 sine 1000 vol 0.5

"$tool" answer --once --rings 2 "$work/message.wav" > "$work/answer.log" 2>&1 &
answer_pid=$!
for _ in $(seq 50); do
    [ -S "$XDG_RUNTIME_DIR/kivo-line.sock" ] && break
    sleep 0.1
done
"$tool" ring 5551234 Ann Smith
"$tool" speak "$work/caller.wav"
# Two rings, the greeting (0.8 s) and the tone (0.3 s), then two seconds of speech.
sleep 4.5
"$tool" heard "$work/heard.wav"
"$tool" hangup
wait "$answer_pid"
answer_pid=""
cat "$work/answer.log"
grep -q "Caller: Ann Smith <5551234>" "$work/answer.log"
grep -q "Message saved: $work/message.wav" "$work/answer.log"
# The message holds the caller's two seconds; the caller heard the greeting.
seconds=$(soxi -D "$work/message.wav")
heard=$(soxi -D "$work/heard.wav")
echo "message: $seconds s, heard: $heard s"
awk -v s="$seconds" 'BEGIN { exit !(s >= 1.9 && s <= 2.1) }'
awk -v s="$heard" 'BEGIN { exit !(s >= 1.0) }'
# A line that is not open is reported, not hung on.
if "$tool" --socket "$work/none.sock" status 2>/dev/null; then exit 1; fi
echo "demo line journey passed"
