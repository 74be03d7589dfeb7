#include "components/Mp3Probe.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace components {

namespace {

// Closes the descriptor on every path.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

qint64 ReadAt(int fd, qint64 offset, char* buffer, qint64 count) {
    qint64 done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, buffer + done, size_t(count - done), off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

quint32 BE32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint32 LE32(const uchar* p) {
    return quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
}

// One Layer III frame header.
struct Header {
    int version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int kbps = 0;
    int rate = 0;
    int channels = 0;
    int length = 0; // bytes of the whole frame
    int samples = 0;
};

bool ParseHeader(const uchar* p, Header& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3;
    const int layer = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    static const int kMpeg1[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kMpeg2[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int kRates[3] = {44100, 48000, 32000};
    h.version = version;
    h.kbps = version == 3 ? kMpeg1[bitrateIndex] : kMpeg2[bitrateIndex];
    h.rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    h.samples = version == 3 ? 1152 : 576;
    const int padding = (p[2] >> 1) & 1;
    h.length = (version == 3 ? 144 : 72) * h.kbps * 1000 / h.rate + padding;
    return h.length > 4;
}

bool SameStream(const Header& a, const Header& b) {
    return a.version == b.version && a.rate == b.rate;
}

// Where the audio starts: after every ID3v2 tag at the start (a v2.4 footer included).
qint64 AudioStart(int fd, qint64 size) {
    qint64 at = 0;
    uchar h[10];
    while (at + 10 <= size && ReadAt(fd, at, reinterpret_cast<char*>(h), 10) == 10 &&
           std::memcmp(h, "ID3", 3) == 0) {
        if ((h[6] | h[7] | h[8] | h[9]) & 0x80) break;
        const qint64 tag = qint64(h[6]) << 21 | qint64(h[7]) << 14 | qint64(h[8]) << 7 | h[9];
        at += 10 + tag + ((h[3] == 4 && (h[5] & 0x10)) ? 10 : 0);
    }
    return at;
}

// Where the audio ends: before an ID3v1 record and an APE tag at the end.
qint64 AudioEnd(int fd, qint64 size) {
    qint64 end = size;
    uchar tail[160];
    const qint64 want = std::min<qint64>(size, sizeof tail);
    if (ReadAt(fd, size - want, reinterpret_cast<char*>(tail), want) != want) return end;
    const uchar* last = tail + want;
    if (want >= 128 && std::memcmp(last - 128, "TAG", 3) == 0) {
        end -= 128;
        last -= 128;
    }
    if (last - tail >= 32 && std::memcmp(last - 32, "APETAGEX", 8) == 0) {
        const uchar* footer = last - 32;
        qint64 ape = LE32(footer + 12);
        if (LE32(footer + 20) & 0x80000000u) ape += 32; // a header in front as well
        if (ape > 0 && ape <= end) end -= ape;
    }
    return end;
}

} // namespace

bool ProbeMp3(const QString& path, Mp3Facts& out) {
    int raw;
    do
        raw = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    while (raw < 0 && errno == EINTR);
    Fd fd(raw);
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const qint64 size = st.st_size;

    const qint64 start = AudioStart(fd.get(), size);
    const qint64 end = AudioEnd(fd.get(), size);
    if (start >= end) return false;

    // The first frame whose successor starts where its length says.
    constexpr qint64 kWindow = 64 * 1024;
    QByteArray window(int(std::min(kWindow, end - start)), Qt::Uninitialized);
    const qint64 got = ReadAt(fd.get(), start, window.data(), window.size());
    const uchar* w = reinterpret_cast<const uchar*>(window.constData());
    Header first;
    qint64 at = -1;
    for (qint64 i = 0; i + 4 <= got; ++i) {
        const void* sync = std::memchr(w + i, 0xFF, size_t(got - i));
        if (!sync) break;
        i = static_cast<const uchar*>(sync) - w;
        if (i + 4 > got || !ParseHeader(w + i, first)) continue;
        const qint64 next = i + first.length;
        Header second;
        if (start + next >= end ||
            (next + 4 <= got && ParseHeader(w + next, second) && SameStream(first, second))) {
            at = i;
            break;
        }
    }
    if (at < 0) return false;

    out.sampleRate = first.rate;
    out.channels = qint16(first.channels);
    const qint64 audioBytes = end - (start + at);

    // A VBR header sits in the first frame, after the side information.
    const int sideInfo =
        first.version == 3 ? (first.channels == 1 ? 17 : 32) : (first.channels == 1 ? 9 : 17);
    qint64 frames = 0, bytes = 0;
    bool constant = false; // an "Info" header: the encoder kept one bit rate
    const uchar* f = w + at;
    const qint64 room = got - at;
    if (room >= 4 + sideInfo + 16 &&
        (std::memcmp(f + 4 + sideInfo, "Xing", 4) == 0 || std::memcmp(f + 4 + sideInfo, "Info", 4) == 0)) {
        const uchar* x = f + 4 + sideInfo;
        constant = std::memcmp(x, "Info", 4) == 0;
        const quint32 flags = BE32(x + 4);
        const uchar* field = x + 8;
        if (flags & 1) {
            frames = BE32(field);
            field += 4;
        }
        if ((flags & 2) && field + 4 <= w + got) bytes = BE32(field);
    } else if (room >= 36 + 18 && std::memcmp(f + 36, "VBRI", 4) == 0) {
        bytes = BE32(f + 36 + 10);
        frames = BE32(f + 36 + 14);
    }

    if (frames <= 0) {
        // Without a VBR header the length follows from the bit rate, which
        // holds only when every frame has the same one: frames of another rate
        // within the window mean a VBR file, which the caller measures.
        for (qint64 i = at + first.length; i + 4 <= got;) {
            Header next;
            if (!ParseHeader(w + i, next) || !SameStream(first, next)) break;
            if (next.kbps != first.kbps) return false;
            i += next.length;
        }
    }

    if (frames > 0) {
        const qint64 ms = frames * first.samples * 1000 / first.rate;
        out.durationMs = qint32(std::min<qint64>(ms, INT32_MAX));
        const qint64 measured = bytes > 0 ? bytes : audioBytes;
        out.bitRateKbps = ms > 0 && !constant ? qint32((measured * 8 + ms / 2) / ms) : first.kbps;
    } else {
        out.durationMs = qint32(std::min<qint64>(audioBytes * 8 / first.kbps, INT32_MAX));
        out.bitRateKbps = first.kbps;
    }
    return out.durationMs > 0;
}

} // namespace components
