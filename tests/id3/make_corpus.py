#!/usr/bin/env python3
"""Writes the hand-made broken ID3v2 tags of corpus/ (seeds of the fuzzer and
the cases of tst_tags_corpus), and the tag fixtures of ../support/tag_fixtures.py as
"fixture_" cases. Run it again after adding a case (mutagen is needed)."""
import os, struct, sys, tempfile

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus')
AUDIO = b'\xff\xfb\x90\x00' + bytes(range(256)) * 2


def ss(v):
    return bytes([(v >> 21) & 0x7f, (v >> 14) & 0x7f, (v >> 7) & 0x7f, v & 0x7f])


def frame(fid, body, ver=3, flags=0, size=None):
    n = len(body) if size is None else size
    sz = ss(n) if ver == 4 else struct.pack('>I', n & 0xffffffff)
    return fid + sz + struct.pack('>H', flags) + body


def tag(ver, frames, padding=0, flags=0, size=None):
    n = len(frames) + padding if size is None else size
    return b'ID3' + bytes([ver, 0, flags]) + ss(n) + frames + bytes(padding)


T = frame(b'TIT2', b'\x00Title')
cases = {
    'trunc_3': b'ID3',
    'trunc_5': b'ID3\x03\x00',
    'trunc_9': b'ID3\x03\x00\x00\x00\x00\x01',
    'trunc_frame_header': tag(3, T + b'TPE1\x00\x00', size=len(T) + 6),
    'size_past_file': tag(3, T, size=0x0fffffff) + AUDIO,
    'size_ff': b'ID3\x03\x00\x00\xff\xff\xff\xff' + T + AUDIO,
    'size_zero': tag(3, b'', size=0) + AUDIO,
    'frame_size_zero': tag(3, frame(b'TIT2', b'') + frame(b'COMM', b'') + frame(b'USLT', b'') + T, 8) + AUDIO,
    'frame_size_ff_v3': tag(3, frame(b'TIT2', b'\x00abc', size=0xffffffff), 20) + AUDIO,
    'frame_size_ff_v4': tag(4, b'TIT2\xff\xff\xff\xff\x00\x00\x00abc', 20) + AUDIO,
    'frame_size_past_tag': tag(3, frame(b'APIC', b'\x00image/png\x00\x03\x00' + b'x' * 10, size=5000)) + AUDIO,
    'ext_header_huge_v3': tag(3, b'\x7f\xff\xff\xff' + T, flags=0x40) + AUDIO,
    'ext_header_zero_v4': tag(4, ss(0) + b'\x01\x00' + frame(b'TIT2', b'\x00a', 4), flags=0x40) + AUDIO,
    'ext_header_ff_v4': tag(4, b'\xff\xff\xff\xff' + T, flags=0x40) + AUDIO,
    'unsync_trailing_ff': tag(3, frame(b'TIT2', b'\x00a\xff', size=3) + b'\xff', flags=0x80) + AUDIO,
    'unsync_v4_frames': tag(4, frame(b'TIT2', b'\x00\xff\x00\xe0', 4, flags=0x0002) + frame(b'TPE1', b'\x01\xff\x00\xfe', 4),
                             flags=0x80) + AUDIO,
    'v22_size_past': b'ID3\x02\x00\x00' + ss(20) + b'TT2\xff\xff\xff' + b'\x00abc' + bytes(7) + AUDIO,
    'v22_compressed': b'ID3\x02\x00\x40' + ss(11) + b'TT2\x00\x00\x05\x00abcd' + AUDIO,
    'comm_no_terminator': tag(3, frame(b'COMM', b'\x01eng\xff\xfea\x00b') + frame(b'COMM', b'\x00en'), 4) + AUDIO,
    'utf16_odd_and_bom_only': tag(3, frame(b'TIT2', b'\x01\xff\xfea\x00b') + frame(b'TPE1', b'\x01\xfe\xff') +
                                   frame(b'TALB', b'\x02\x00'), 4) + AUDIO,
    'bad_encoding_byte': tag(3, frame(b'TIT2', b'\x07abc') + frame(b'COMM', b'\x09eng\x00x') +
                              frame(b'WXXX', b'\x05d\x00u'), 4) + AUDIO,
    'tcon_junk': tag(3, frame(b'TCON', b'\x00(99999999999999999999)x') + frame(b'TCON', b'\x00(') +
                      frame(b'TCON', b'\x00)(-1)('), 4) + AUDIO,
    'v4_dli_short': tag(4, frame(b'TIT2', b'\x00a', 4, flags=0x0001) + frame(b'TPE1', b'', 4, flags=0x0041), 4) + AUDIO,
    'v4_compressed_encrypted': tag(4, frame(b'TIT2', b'\x00\x00\x00\x05xyz', 4, flags=0x0009) +
                                    frame(b'TPE1', b'\x01abc', 4, flags=0x0004), 4) + AUDIO,
    'v3_grouping_empty': tag(3, frame(b'TIT2', b'', flags=0x0020) + frame(b'TALB', b'\x01', flags=0x0020), 4) + AUDIO,
    'pcnt_long': tag(3, frame(b'PCNT', b'\xff' * 100) + frame(b'PCNT', b''), 4) + AUDIO,
    'v4_footer_past_file': tag(4, T, flags=0x10, size=len(T)) + b'3DI',
    'garbage_id': tag(3, T + b'\x01\x02\x03\x04' + bytes(20)) + AUDIO,
    'id3_in_audio': AUDIO + tag(3, T) + AUDIO,
    'many_tiny_frames': tag(3, frame(b'TXXX', b'\x00') * 3000) + AUDIO,
}

# The tag fixtures are shared with the tag editor's tests (tests/support/).
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, 'support'))
import tag_fixtures  # noqa: E402

with tempfile.TemporaryDirectory() as folder:
    tag_fixtures.write_all(folder)
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), 'rb') as f:
            cases['fixture_' + name[:-len('.mp3')]] = f.read()

os.makedirs(HERE, exist_ok=True)
for name, data in cases.items():
    with open(os.path.join(HERE, name + '.bin'), 'wb') as f:
        f.write(data)
