#!/usr/bin/env python3
"""Counts gaps in a recording of the drum pad (the float32 stereo .f32 file that
`shared/tools/audio-latency/run.sh` keeps with KEEP=1): runs of at least 24 exactly silent
frames with sound on both sides, which is what a playback stream that ran dry leaves behind.
usage: playback_gaps.py recording.f32"""
import array
import sys

samples = array.array("f")
with open(sys.argv[1], "rb") as f:
    samples.frombytes(f.read())
left = samples[0::2]
gaps, zero_start = 0, None
for i, v in enumerate(left):
    if v == 0.0:
        if zero_start is None:
            zero_start = i
        continue
    if zero_start is not None and i - zero_start >= 24 and zero_start > 50:
        before = max(abs(x) for x in left[zero_start - 50:zero_start])
        after = max(abs(x) for x in left[i:i + 50])
        if before > 1e-3 and after > 1e-3:
            gaps += 1
    zero_start = None
print(f"frames {len(left)} gaps {gaps}")
