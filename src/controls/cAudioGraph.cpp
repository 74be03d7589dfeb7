#include "controls/cAudioGraph.h"

#include "controls/ControlColor.h"
#include "controls/FftwLibrary.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Bands spaced evenly on a log scale over what the ear follows.
constexpr int kBands = 24;
constexpr double kLowHz = 50.0;
constexpr double kHighHz = 16000.0;
// Levels and bars show -60..0 dB of full scale.
constexpr double kFloorDb = -60.0;
// The level graph keeps this many readings (four seconds at ten a second).
constexpr int kLevelHistory = 40;
// The transform size: 100 ms at 48 kHz fits, padded.
constexpr int kFftSize = 8192;

double ToScale(double amplitude) {
    if (amplitude <= 0) return 0;
    const double db = 20.0 * std::log10(amplitude);
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

} // namespace

// The one FFTW plan of the graph, made on first use.
struct cAudioGraph::Fft {
    int n = 0;
    double* in = nullptr;
    fftw_complex* out = nullptr;
    fftw_plan plan = nullptr;

    explicit Fft(int size) : n(size) {
        in = fftw().fftw_alloc_real(size_t(n));
        out = fftw().fftw_alloc_complex(size_t(n / 2 + 1));
        plan = fftw().fftw_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
    }
    ~Fft() {
        if (plan) fftw().fftw_destroy_plan(plan);
        fftw().fftw_free(in);
        fftw().fftw_free(out);
    }
    Fft(const Fft&) = delete;
    Fft& operator=(const Fft&) = delete;
};

cAudioGraph::cAudioGraph(QWidget* parent, GraphType type) : QWidget(parent), m_type(type) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    Clear();
}

cAudioGraph::~cAudioGraph() = default;

void cAudioGraph::setGraphType(GraphType type) {
    m_type = type;
    Clear();
}

void cAudioGraph::setColor1(qint64 colour) {
    m_color[0] = colour;
    update();
}
void cAudioGraph::setColor2(qint64 colour) {
    m_color[1] = colour;
    update();
}
void cAudioGraph::setColor3(qint64 colour) {
    m_color[2] = colour;
    update();
}

int cAudioGraph::BandCount() {
    return kBands;
}

double cAudioGraph::BandLowHz(int band) {
    return kLowHz * std::pow(kHighHz / kLowHz, double(band) / kBands);
}

double cAudioGraph::BandHighHz(int band) {
    return BandLowHz(band + 1);
}

int cAudioGraph::BandOf(double hz) {
    if (hz < kLowHz || hz >= kHighHz) return -1;
    const int band = int(std::floor(std::log(hz / kLowHz) / std::log(kHighHz / kLowHz) * kBands));
    return std::clamp(band, 0, kBands - 1);
}

void cAudioGraph::SetAudioData(const QVector<float>& samples, int sampleRate) {
    double sum = 0;
    for (float v : samples)
        sum += double(v) * v;
    const double rms = samples.isEmpty() ? 0.0 : std::sqrt(sum / samples.size());
    // A full-scale sine reads 1: its RMS is 1/sqrt(2) of its peak.
    m_level = ToScale(rms * M_SQRT2);
    if (m_type == LevelGraph) {
        m_levels.removeFirst();
        m_levels.append(m_level);
    } else {
        ComputeSpectrum(samples, sampleRate);
    }
}

void cAudioGraph::ComputeSpectrum(const QVector<float>& samples, int sampleRate) {
    m_spectrum.fill(0.0, kBands);
    if (sampleRate <= 0 || samples.size() < 64) return;
    // The newest samples, windowed and padded with zeros to one transform size:
    // the padding keeps the bins fine enough that a tone lands in its own band
    // even when only a few milliseconds have been heard.
    const int m = int(std::min<qsizetype>(samples.size(), kFftSize));
    if (!FftwLoadError().isEmpty()) {
        if (m_error.isEmpty()) {
            m_error = QStringLiteral("The frequency graph cannot be drawn: the FFTW library could not be "
                                     "loaded (%1).")
                          .arg(FftwLoadError());
            setToolTip(m_error);
        }
        return;
    }
    if (!m_fft) m_fft = std::make_unique<Fft>(kFftSize);
    Fft& f = *m_fft;
    const qsizetype first = samples.size() - m;
    double windowSum = 0;
    for (int i = 0; i < kFftSize; ++i) {
        if (i < m) {
            const double w = m > 1 ? 0.5 - 0.5 * std::cos(2.0 * M_PI * i / (m - 1)) : 1.0;
            f.in[i] = double(samples[first + i]) * w;
            windowSum += w;
        } else {
            f.in[i] = 0.0;
        }
    }
    fftw().fftw_execute(f.plan);
    // Each bar is the strongest component in its band, as an amplitude of full scale.
    const double binHz = double(sampleRate) / kFftSize;
    for (int k = 1; k <= kFftSize / 2; ++k) {
        const int band = BandOf(k * binHz);
        if (band < 0) continue;
        const double amplitude = 2.0 * std::hypot(f.out[k][0], f.out[k][1]) / windowSum;
        m_spectrum[band] = std::max(m_spectrum[band], ToScale(amplitude));
    }
}

void cAudioGraph::Draw() {
    m_shown = m_type == LevelGraph ? m_levels : m_spectrum;
    update();
}

void cAudioGraph::Clear() {
    m_level = 0;
    m_levels.fill(0.0, kLevelHistory);
    m_spectrum.fill(0.0, kBands);
    m_shown = m_type == LevelGraph ? m_levels : m_spectrum;
    update();
}

void cAudioGraph::Close() {
    Clear();
    m_fft.reset();
}

QVector<double> cAudioGraph::Bars() const {
    return m_type == LevelGraph ? m_levels : m_spectrum;
}

void cAudioGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), controls::ColorFromLong(m_color[2]));
    const QColor bar = controls::ColorFromLong(m_type == LevelGraph ? m_color[1] : m_color[0]);
    if (m_type == FrequencyGraph && !m_error.isEmpty()) {
        p.setPen(bar);
        p.drawText(rect(), Qt::AlignCenter, p.fontMetrics().elidedText(m_error, Qt::ElideRight, width()));
        return;
    }
    if (m_shown.isEmpty()) return;
    const int count = int(m_shown.size());
    const double step = double(width()) / count;
    for (int i = 0; i < count; ++i) {
        const int h = int(std::lround(m_shown[i] * height()));
        if (h <= 0) continue;
        const int x0 = int(std::lround(i * step));
        const int x1 = int(std::lround((i + 1) * step));
        // A pixel between bars keeps them apart where there is room.
        const int w = std::max(1, x1 - x0 - (step >= 3 ? 1 : 0));
        p.fillRect(x0, height() - h, w, h, bar);
    }
}
