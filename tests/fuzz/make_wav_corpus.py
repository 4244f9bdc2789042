#!/usr/bin/env python3
"""Writes the seed corpus of the WAV header fuzzer into wav-corpus/: small
files around each rule of the check, valid and not. Run from this folder."""
import os
import struct


def wav(fmt=1, channels=1, rate=22050, bits=16, data=b"\x00\x10" * 8, claim=None,
        extra=b"", byte_rate=None, block=None):
    block = block if block is not None else channels * bits // 8
    byte_rate = byte_rate if byte_rate is not None else rate * block
    fmt_chunk = b"fmt " + struct.pack("<IHHIIHH", 16, fmt, channels, rate, byte_rate, block, bits)
    data_chunk = b"data" + struct.pack("<I", len(data) if claim is None else claim) + data
    body = b"WAVE" + extra + fmt_chunk + data_chunk
    return b"RIFF" + struct.pack("<I", len(body)) + body


SEEDS = {
    "mono16": wav(),
    "stereo8": wav(channels=2, bits=8, rate=8000, data=b"\x80" * 16),
    "stereo16_96k": wav(channels=2, rate=96000, data=b"\x00" * 16),
    "list_odd_chunk": wav(extra=b"LIST" + struct.pack("<I", 3) + b"abc\x00"),
    "rate_1hz": wav(rate=1),
    "float32": wav(fmt=3, bits=32),
    "extensible": wav(fmt=0xFFFE),
    "six_channels": wav(channels=6),
    "bits24": wav(bits=24, data=b"\x00" * 12),
    "data_past_end": wav(claim=0x7FFFFFFF),
    "byte_rate_off": wav(byte_rate=1),
    "no_data": wav(data=b""),
    "truncated": wav()[:30],
}

if __name__ == "__main__":
    os.makedirs("wav-corpus", exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join("wav-corpus", name), "wb") as out:
            out.write(data)
