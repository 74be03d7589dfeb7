#!/usr/bin/env python3
"""Writes the seed corpora of fuzz/corpus/ (the ID3v2 seeds are written by
tests/id3/make_corpus.py): a few small valid inputs of each reader and the
damaged forms its code handles. Audio files come from the ffmpeg command.
Inputs a fuzzer found are added by hand beside these and kept as they are."""
import os, struct, subprocess, tempfile

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus')


def put(target, name, data):
    d = os.path.join(HERE, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)


def ffmpeg(args, suffix):
    with tempfile.TemporaryDirectory() as t:
        out = os.path.join(t, 'out' + suffix)
        subprocess.run(['ffmpeg', '-hide_banner', '-loglevel', 'error', '-y', '-f', 'lavfi', '-i',
                        'sine=frequency=440:sample_rate=8000:duration=0.15', '-fflags', '+bitexact', '-flags', '+bitexact'] + args + [out], check=True)
        return open(out, 'rb').read()


# --- WAV

def wav(fmt_tag, channels, rate, bits, frames, extra_chunks=b'', data_size=None, extensible=False, sample=None):
    block = channels * bits // 8
    if extensible:
        fmt = struct.pack('<HHIIHHHHI', 0xFFFE, channels, rate, rate * block, block, bits, 22, bits, 3)
        fmt += struct.pack('<H', fmt_tag) + b'\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71'
    else:
        fmt = struct.pack('<HHIIHH', fmt_tag, channels, rate, rate * block, block, bits)
    body = bytes((i * 37) & 0xff for i in range(frames * block)) if sample is None else sample * frames
    size = len(body) if data_size is None else data_size
    chunks = b'fmt ' + struct.pack('<I', len(fmt)) + fmt + extra_chunks + b'data' + struct.pack('<I', size) + body
    return b'RIFF' + struct.pack('<I', 4 + len(chunks)) + b'WAVE' + chunks


wavs = {
    'u8_mono.wav': wav(1, 1, 8000, 8, 300),
    's16_stereo.wav': wav(1, 2, 44100, 16, 600),
    's24_mono.wav': wav(1, 1, 48000, 24, 300),
    's32_stereo.wav': wav(1, 2, 22050, 32, 100),
    'f32_stereo.wav': wav(3, 2, 44100, 32, 100, sample=struct.pack('<ff', 0.5, -0.25)),
    'f64_mono.wav': wav(3, 1, 8000, 64, 100, sample=struct.pack('<d', -1.0)),
    'extensible_six.wav': wav(1, 6, 48000, 16, 64, extensible=True),
    'list_chunk_odd.wav': wav(1, 1, 8000, 16, 50, extra_chunks=b'LIST' + struct.pack('<I', 5) + b'INFOx\x00'),
    'streamed_size.wav': wav(1, 2, 44100, 16, 80, data_size=0xFFFFFFFF),
    'size_past_end.wav': wav(1, 1, 8000, 16, 40, data_size=100000),
    'many_channels.wav': wav(1, 1024, 8000, 16, 3),
    'no_data.wav': wav(1, 1, 8000, 16, 0)[:-8],
}
for name, data in wavs.items():
    put('wav_header', name, data)

# --- the decoder: a file of each format the program reads
put('decoder', 'tone.wav', ffmpeg(['-ac', '1', '-c:a', 'pcm_s16le'], '.wav'))
put('decoder', 'tone_f32_stereo.wav', wavs['f32_stereo.wav'])
put('decoder', 'six_channels.wav', wavs['extensible_six.wav'])
put('decoder', 'tone.mp3', ffmpeg(['-ac', '1', '-c:a', 'libmp3lame', '-b:a', '8k'], '.mp3'))
put('decoder', 'tone_stereo.mp3', ffmpeg(['-ac', '2', '-ar', '22050', '-c:a', 'libmp3lame', '-b:a', '32k',
                                          '-write_xing', '0'], '.mp3'))
put('decoder', 'tone.ogg', ffmpeg(['-ac', '1', '-c:a', 'libvorbis', '-q:a', '0'], '.ogg'))
put('decoder', 'tone.wma', ffmpeg(['-ac', '1', '-c:a', 'wmav2', '-b:a', '24k'], '.wma'))

# --- MP3 probing

def mp3_header(version=3, kbps_index=9, rate_index=0, mono=False, padding=0):
    b1 = 0xE0 | (version << 3) | (1 << 1) | 1
    b2 = (kbps_index << 4) | (rate_index << 2) | (padding << 1)
    b3 = 0xC0 if mono else 0x00
    return bytes([0xFF, b1, b2, b3])


def mp3_frames(count, **kw):
    h = mp3_header(**kw)
    length = 144 * 128000 // 44100  # MPEG-1, 128 kbps, 44.1 kHz
    return (h + bytes(length - 4)) * count


def id3v2(size, ver=3, footer=False):
    ss = bytes([(size >> 21) & 0x7f, (size >> 14) & 0x7f, (size >> 7) & 0x7f, size & 0x7f])
    return b'ID3' + bytes([ver, 0, 0x10 if footer else 0]) + ss + bytes(size) + (b'3DI' + bytes(7) if footer else b'')


def xing(frames_count, byte_count, word=b'Xing'):
    h = mp3_header()
    body = bytes(32) + word + struct.pack('>III', 3, frames_count, byte_count)
    return h + body + bytes(417 - 4 - len(body))


frame = mp3_frames(1)
put('mp3_probe', 'cbr.mp3', mp3_frames(6))
put('mp3_probe', 'xing.mp3', xing(100, 41700) + mp3_frames(3))
put('mp3_probe', 'info.mp3', xing(5, 2085, b'Info') + mp3_frames(4))
put('mp3_probe', 'vbri.mp3', mp3_header() + bytes(32) + b'VBRI' + struct.pack('>HHIIHHHH', 1, 0, 5000, 12, 0, 0, 0, 0)
    + bytes(417 - 4 - 32 - 22) + mp3_frames(2))
put('mp3_probe', 'id3v2_then_audio.mp3', id3v2(200) + mp3_frames(3))
put('mp3_probe', 'two_tags_footer.mp3', id3v2(20, 4, footer=True) + id3v2(30) + mp3_frames(3))
put('mp3_probe', 'id3v1_and_ape.mp3', mp3_frames(3) + b'APETAGEX' + struct.pack('<IIII', 2000, 32, 0, 0x80000000)
    + bytes(8) + b'TAG' + bytes(125))
put('mp3_probe', 'bitrate_changes.mp3', mp3_frames(2) + mp3_header(kbps_index=5) + bytes(200) + mp3_frames(1))
put('mp3_probe', 'mpeg2_mono.mp3', (mp3_header(version=2, kbps_index=8, mono=True) + bytes(140)) * 4)
put('mp3_probe', 'garbage_then_sync.mp3', b'\xff\xfb\x00' * 20 + mp3_frames(3))
put('mp3_probe', 'xing_cut.mp3', xing(100, 41700)[:44])

# --- the items-list file
KEYS = ['COL_INC', 'COL_TYPE', 'COL_ITEM_NAME', 'COL_FILE', 'COL_RANGE_ALL', 'COL_RANGE_START_TIME',
        'COL_RANGE_LENGTH_TIME', 'COL_TAG_ALBUM', 'COL_TAG_ARTIST', 'COL_TAG_COMMENT', 'COL_TAG_GEN',
        'COL_TAG_YEAR', 'COL_TAG_TITLE', 'COL_TAG_TRACK']


def record(values, edited=False):
    out = '<ITEM>' + ''.join('<%s>%s</%s>' % (k, v, k) for k, v in zip(KEYS, values))
    if edited:
        out += '<COL_TAG_EDITED>1</COL_TAG_EDITED>'
    return out + '</ITEM>'


plain = ['1', 'Audio', 'song.mp3', '/music/song.mp3', '1', '0', '0', 'Album', 'Artist', 'A comment', 'Rock',
         '1999', 'Title', '3']
escaped = ['1', 'Audio', 'a &amp; b &lt;c&gt;.wav', '/m/a &amp; b.wav', '0', '1000', '5000', '', 'Q &amp;A', 'one\r\ntwo',
           '', '', 'x &lt; y', '']
put('items_list', 'two_records.flst', (record(plain) + '\r\n' + record(escaped, True) + '\r\n').encode())
put('items_list', 'windows_1252.flst', record(plain[:9] + ['caf\xe9 \u20ac'] + plain[10:]).encode('cp1252') + b'\r\n')
put('items_list', 'mixed_bytes.flst', record(plain).encode() + record(plain[:2] + ['na\xefve'] + plain[3:]).encode('latin-1')
    + record(plain[:2] + ['\u00e9t\u00e9'] + plain[3:]).encode() + b'\r\n')
put('items_list', 'lead_and_broken.flst', b'junk before\r\n<ITEM><COL_INC>1</COL_INC><COL_FILE>/x</COL_FILE'
    b'<ITEM></COL_TYPE><COL_TYPE>Audio<ITEM><COL_TAG_EDITED>1</COL_TAG_EDITED>\r\n\r\n')
put('items_list', 'empty_fields.flst', (record([''] * 14) + '\r\n').encode())

# --- cue sheets (the image beside them is disc.bin, written by the target)
cues = {
    'one_track.cue': 'FILE "disc.bin" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n',
    'three_tracks.cue': 'REM GENRE Rock\nPERFORMER "Someone"\nTITLE "An album"\nFILE "disc.bin" BINARY\n'
                        '  TRACK 01 AUDIO\n    TITLE "One"\n    INDEX 01 00:00:00\n'
                        '  TRACK 02 AUDIO\n    PREGAP 00:00:10\n    INDEX 00 00:01:00\n    INDEX 01 00:01:10\n'
                        '  TRACK 03 AUDIO\n    FLAGS DCP\n    INDEX 01 00:02:00\n',
    'mixed.cue': 'FILE "disc.bin" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n'
                 '  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n',
    'backwards.cue': 'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:02:00\n'
                     '  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n',
    'past_the_image.cue': 'FILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n'
                          '  TRACK 02 AUDIO\n    INDEX 01 70:00:00\n',
    'missing_file.cue': 'FILE "nothere.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n',
    'catalog_isrc.cue': 'CATALOG 0123456789012\nFILE "disc.bin" BINARY\n  TRACK 01 AUDIO\n    ISRC ABCDE1234567\n'
                        '    INDEX 01 00:00:00\n    POSTGAP 00:00:05\n',
}
for name, text in cues.items():
    put('cue_sheet', name, text.encode())

# --- CDDB answers, each a whole conversation from the server's side
HEAD = '201 server CDDBP ready\r\n200 Hello and welcome\r\n201 OK, protocol version now: 6\r\n'
ENTRY = ('210 rock 0a000b02 CD database entry follows\r\n# xmcd\r\n#\r\nDISCID=0a000b02\r\n'
         'DTITLE=Artist / Album\r\nDYEAR=1999\r\nDGENRE=Rock\r\nTTITLE0=First\\nline\r\nTTITLE1=Sec\r\n'
         'TTITLE1=ond\r\nEXTD=\r\nPLAYORDER=\r\n.\r\n')
answers = {
    'exact.txt': HEAD + '200 rock 0a000b02 Artist / Album\r\n' + ENTRY,
    'inexact.txt': HEAD + '211 close matches\r\nrock 0a000b02 Artist / Album\r\njazz 0a000b03 Other\r\n.\r\n' + ENTRY,
    'various.txt': HEAD + '200 misc 0a000b02 x\r\n210 misc 0a000b02\r\nDTITLE=Various Artists / Hits\r\n'
                   'TTITLE0=Someone / A song\r\nTTITLE1=No separator\r\n.\r\n',
    'no_match.txt': HEAD + '202 No match found\r\n',
    'refused.txt': '432 No connections allowed\r\n',
    'old_protocol.txt': '200 server ready\n402 Already shook hands\n501 Illegal protocol level\n'
                        '200 rock 0a000b02 t\n401 not found\n',
    'bad_track.txt': HEAD + '200 rock 0a000b02 t\r\n210 ok\r\nTTITLE99=x\r\n.\r\n',
    'latin1_and_long.txt': HEAD + '200 rock 0a000b02 t\r\n210 ok\r\nDTITLE=Caf\xe9 / \xc0\r\n'.encode('latin-1').decode('latin-1')
                           + 'TTITLE0=' + 'x' * 300 + '\r\n.\r\n',
    'empty_entry.txt': HEAD + '200 rock 0a000b02 t\r\n210 ok\r\n# nothing\r\n.\r\n',
}
for name, text in answers.items():
    put('cddb', name, text.encode('latin-1'))
