// The player's two small graphs: the level graph (the loudness of the last
// moments, newest on the right) and the frequency graph (the spectrum of the
// samples just heard, low to high in bands a third of an octave wide or so).
// Fed every 100 ms with the samples the player reports; Draw shows them.
#pragma once

#include <QVector>
#include <QWidget>

#include <memory>

class cAudioGraph : public QWidget {
    Q_OBJECT
public:
    enum GraphType { LevelGraph, FrequencyGraph };

    explicit cAudioGraph(QWidget* parent = nullptr, GraphType type = LevelGraph);
    ~cAudioGraph() override;

    GraphType graphType() const { return m_type; }
    void setGraphType(GraphType type);

    // Colours as the settings keep them (0x00BBGGRR or a system colour):
    // Color1 draws the frequency bars, Color2 the level bars, Color3 the background.
    qint64 Color1() const { return m_color[0]; }
    qint64 Color2() const { return m_color[1]; }
    qint64 Color3() const { return m_color[2]; }
    void setColor1(qint64 colour);
    void setColor2(qint64 colour);
    void setColor3(qint64 colour);

    // Takes the samples just heard (mono, -1..1) at their rate.
    void SetAudioData(const QVector<float>& samples, int sampleRate);
    // Shows what the last SetAudioData computed.
    void Draw();
    // Empties the graph (playback stopped or ended).
    void Clear();
    // Releases what the graph holds; it stays empty afterwards.
    void Close();

    // What the graph shows, each 0..1: the level graph's values oldest first,
    // or the frequency graph's bars lowest band first.
    QVector<double> Bars() const;
    // Why the frequency graph shows no spectrum (its library is missing); "" when it can.
    QString ErrorText() const { return m_error; }
    // The level of the last samples, 0 (silence, -60 dB and below) to 1 (full scale).
    double Level() const { return m_level; }
    // The frequency bands.
    static int BandCount();
    static double BandLowHz(int band);
    static double BandHighHz(int band);
    // The band holding that frequency; -1 outside all bands.
    static int BandOf(double hz);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Fft;

    void ComputeSpectrum(const QVector<float>& samples, int sampleRate);

    GraphType m_type;
    qint64 m_color[3] = {0x00FFFFFF, 0x00FFFFFF, 0x00000000};
    double m_level = 0;
    QVector<double> m_levels;   // the level graph's history, oldest first
    QVector<double> m_spectrum; // the frequency graph's bars
    QVector<double> m_shown;    // what paintEvent draws (set by Draw)
    std::unique_ptr<Fft> m_fft;
    QString m_error;
};
