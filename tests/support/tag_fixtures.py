#!/usr/bin/env python3
"""Writes the MP3 files of the tag fixtures into a folder: tags as other
programs write them (mutagen writes most; the broken and the older forms are
built byte by byte). Each name starts with what it shows.
Usage: tag_fixtures.py <folder>"""
import os
import struct
import sys

AUDIO = b'\xff\xfb\x90\x64' + bytes(413)  # one silent-looking MPEG frame's worth
PICTURE = bytes(range(256)) * 4 + b'\xff\x00\xff\xe0\xff'  # with bytes unsynchronisation changes


def ss(v):
    return bytes([(v >> 21) & 0x7f, (v >> 14) & 0x7f, (v >> 7) & 0x7f, v & 0x7f])


def frame(fid, body, ver=3, flags=0, size=None):
    n = len(body) if size is None else size
    sz = ss(n) if ver == 4 else struct.pack('>I', n)
    return fid + sz + struct.pack('>H', flags) + body


def frame22(fid, body):
    return fid + struct.pack('>I', len(body))[1:] + body


def tag(ver, frames, padding=32, flags=0):
    return b'ID3' + bytes([ver, 0, flags]) + ss(len(frames) + padding) + frames + bytes(padding)


def unsync(data):
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xff and (i + 1 == len(data) or data[i + 1] == 0 or data[i + 1] >= 0xe0):
            out.append(0)
    return bytes(out)


def v1(title=b'', artist=b'', album=b'', year=b'', comment=b'', track=None, genre=255, raw_comment=None):
    def field(s, n):
        return s[:n] + bytes(n - len(s[:n]))
    if raw_comment is not None:
        assert len(raw_comment) == 30
        tail = raw_comment
    elif track is None:
        tail = field(comment, 30)
    else:
        tail = field(comment, 28) + b'\x00' + bytes([track])
    return b'TAG' + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) + tail + bytes([genre])


def text(s, enc=0):
    return bytes([enc]) + (s.encode('latin-1') if enc == 0 else s.encode('utf-8'))


def by_mutagen(path, ver, frames):
    from mutagen.id3 import ID3
    with open(path, 'wb') as f:
        f.write(AUDIO)
    t = ID3()
    for fr in frames:
        t.add(fr)
    t.save(path, v2_version=ver)


def mutagen_cases(folder):
    from mutagen.id3 import APIC, COMM, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TXXX, TYER, USLT
    common = lambda enc: [
        TIT2(encoding=enc, text='Title ✓'), TPE1(encoding=enc, text='Artíst'), TALB(encoding=0, text='Album'),
        TRCK(encoding=0, text='4/9'), COMM(encoding=enc, lang='eng', desc='', text='Comment ✓'),
        COMM(encoding=0, lang='eng', desc='other', text='Second comment'),
        TXXX(encoding=enc, desc='Key', text='Value'),
        USLT(encoding=enc, lang='eng', desc='', text='Line one\nLine two'),
        APIC(encoding=0, mime='image/png', type=3, desc='cover', data=PICTURE)]
    by_mutagen(os.path.join(folder, 'plain_v23.mp3'), 3,
               common(1) + [TYER(encoding=0, text='1999'), TCON(encoding=0, text='(17)Rock')])
    by_mutagen(os.path.join(folder, 'plain_v24.mp3'), 4,
               common(3) + [TDRC(encoding=0, text='2004'), TCON(encoding=0, text='Jazz')])
    # Genres: a version 2.4 code on its own, and several values.
    by_mutagen(os.path.join(folder, 'genre_v24_number.mp3'), 4, [TIT2(encoding=0, text='G'), TCON(encoding=0, text='35')])
    by_mutagen(os.path.join(folder, 'genre_v24_values.mp3'), 4,
               [TIT2(encoding=0, text='G'), TCON(encoding=3, text=['Rock', 'Trip Hop'])])
    # An emptied genre writes no TCON.
    by_mutagen(os.path.join(folder, 'empty_genre.mp3'), 3,
               [TIT2(encoding=0, text='E'), TPE1(encoding=0, text='A'), TCON(encoding=0, text='Rock')])


def hand_cases():
    t = frame(b'TIT2', b'\x00Title')
    c = {}
    # Genres in the version 2.3 form: a code refined, and the two keywords.
    for name, value in (('refined', b'(35)Remix'), ('remix', b'(RX)'), ('cover', b'(CR)')):
        c['genre_v23_' + name] = tag(3, t + frame(b'TCON', b'\x00' + value)) + AUDIO
    # Extended headers: unknown flags with sizes that agree, and one that runs past the tag.
    c['ext_v23_unknown_flags'] = tag(3, struct.pack('>I', 6) + b'\x7f\xff' + bytes(4) + t, flags=0x40) + AUDIO
    c['ext_v24_unknown_flags'] = tag(4, ss(8) + b'\x01\x0f' + b'\x00\x00' + frame(b'TIT2', b'\x00Title', 4),
                                     flags=0x40) + AUDIO
    c['ext_flag_without_header'] = tag(3, t, flags=0x40) + AUDIO
    c['ext_past_the_tag'] = tag(3, struct.pack('>I', 5000) + bytes(6) + t, flags=0x40) + AUDIO
    # Version 2.2: three-letter ids, a picture with an image format, and a
    # frame (CRM) that version 2.3 has no id for.
    v22 = (frame22(b'TT2', b'\x00Title 22') + frame22(b'TP1', b'\x01\xff\xfeA\x00r\x00t\x00') +
           frame22(b'TAL', b'\x00Album 22') + frame22(b'TYE', b'\x001987') + frame22(b'TCO', b'\x00(8)') +
           frame22(b'COM', b'\x00eng\x00Comment 22') + frame22(b'TXX', b'\x00Key\x00Value 22') +
           frame22(b'TCM', b'\x00Composer 22') + frame22(b'ULT', b'\x00eng\x00Words 22') +
           frame22(b'PIC', b'\x00JPG\x03Front\x00' + PICTURE) + frame22(b'CRM', b'owner\x00text\x00data'))
    c['v22_tag'] = tag(2, v22) + AUDIO
    # The same text frame twice.
    c['repeated_tpe1'] = tag(3, frame(b'TPE1', b'\x00First') + frame(b'TPE1', b'\x00Second') + t) + AUDIO
    # ID3v1: a zero byte inside a field; a version 1.0 comment ending in a
    # space; Windows-1252 text.
    c['v1_zero_in_field'] = AUDIO + v1(title=b'ab\x00cd', artist=b'Artist', track=3, genre=17)
    c['v1_comment_ends_in_space'] = AUDIO + v1(title=b'T', raw_comment=b'Thirty bytes of comment, no 1.1 '[:29] + b' ')
    c['v1_windows_1252'] = AUDIO + v1(title='€uro – “quoted”'.encode('cp1252'), artist='Œuvre'.encode('cp1252'))
    # A malformed year frame (its size runs past the tag) before the artist;
    # the ID3v1 tag holds the artist and the year.
    c['fallback_to_v1'] = (tag(3, frame(b'TIT2', b'\x00V2 Title') + frame(b'TYER', b'\x002001', size=4000) +
                               frame(b'TPE1', b'\x00V2 Artist'), padding=0) +
                           AUDIO + v1(title=b'V1 Title', artist=b'V1 Artist', year=b'1999', genre=8))
    # Unsynchronisation, of the whole tag (2.3) and of frames (2.4).
    body = frame(b'TIT2', b'\x00Unsync') + frame(b'APIC', b'\x00image/png\x00\x03\x00' + PICTURE)
    c['unsync_v23'] = tag(3, unsync(body), flags=0x80) + AUDIO
    apic = b'\x00image/png\x00\x03\x00' + PICTURE
    c['unsync_v24'] = tag(4, frame(b'TIT2', b'\x00Unsync', 4) + frame(b'APIC', unsync(apic), 4, flags=0x0002),
                          flags=0x80) + AUDIO
    return c


def write_all(folder, with_mutagen=True):
    os.makedirs(folder, exist_ok=True)
    for name, data in hand_cases().items():
        with open(os.path.join(folder, name + '.mp3'), 'wb') as f:
            f.write(data)
    if with_mutagen:
        mutagen_cases(folder)


if __name__ == '__main__':
    write_all(sys.argv[1])
