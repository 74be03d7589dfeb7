#pragma once

// The speech engine (espeak-ng), loaded when speech is first needed rather
// than at program start, as FFmpeg is. The engine is one per process and not
// reentrant: every call into it goes through Engine, which holds its lock.
// The engine keeps the state of its wave generator (pitch flutter, phase)
// from one synthesis to the next, where no call resets it, so that the same
// text came out different the second time: each synthesis gets a freshly
// loaded library, loaded again in the background after every synthesis.

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Every engine function the speech component calls.
#define CORVANE_ESPEAK_FUNCTIONS(X)                                                                          \
    X(espeak_Info)                                                                                           \
    X(espeak_ListVoices)                                                                                     \
    X(espeak_SetSynthCallback)                                                                               \
    X(espeak_ng_ClearErrorContext)                                                                           \
    X(espeak_ng_GetSampleRate)                                                                               \
    X(espeak_ng_GetStatusCodeMessage)                                                                        \
    X(espeak_ng_Initialize)                                                                                  \
    X(espeak_ng_InitializeOutput)                                                                            \
    X(espeak_ng_InitializePath)                                                                              \
    X(espeak_ng_SetParameter)                                                                                \
    X(espeak_ng_SetVoiceByName)                                                                              \
    X(espeak_ng_Synthesize)                                                                                  \
    X(espeak_ng_Terminate)

namespace components::espeak {

// One installed voice: its display name and the identifier the engine selects it by.
struct Voice {
    QString name;
    QString identifier;
};

// One piece of synthesised speech as the engine hands it over: mono 16-bit
// samples at Engine::SampleRate(), and the words that begin in it.
struct WordMark {
    qint64 sample = 0; // from the start of the speech
    qint32 start = 0;  // the word's offset in the text, in code points from 0
    qint32 length = 0; // in code points
};

// What a synthesis is given; returns false to stop the synthesis.
using SpeechSink = std::function<bool(const short* samples, int count, const std::vector<WordMark>& words)>;

// The settings of one synthesis.
struct SpeechRequest {
    QString voiceIdentifier; // empty: the engine's default voice
    int wordsPerMinute = espeakRATE_NORMAL;
    int volume = 100; // the engine's 0..100, 100 its normal loudness
};

class Engine {
public:
    // The engine of this process, loading and initialising it on the first call.
    static Engine& instance();

    // Why the engine cannot speak (library or data missing); empty when it can.
    QString Error() const { return m_error; }
    // Samples per second of everything it synthesises (0 when it cannot speak).
    int SampleRate() const { return m_rate; }
    // The voices whose data is installed: the default voice first, then the
    // others in the engine's order.
    const std::vector<Voice>& Voices() const { return m_voices; }

    // Synthesises the text (UTF-8 is handed to the engine) and hands the
    // speech to `sink` block by block on the calling thread; returns when the
    // speech is complete or the sink stopped it. Waits while another
    // synthesis runs. False with *error when the engine refused.
    bool Synthesize(const QString& text, const SpeechRequest& request, const SpeechSink& sink,
                    QString* error = nullptr);

private:
    Engine();
    void Load();
    // Loads and initialises the library; false with *error when it cannot.
    // Unload terminates and unloads it.
    bool Open(QString* error);
    void Unload();
    // The synthesis itself, on the loaded engine (under m_lock).
    bool SynthesizeNow(const QString& text, const SpeechRequest& request, const SpeechSink& sink,
                       QString* error);
    // Loads the engine again on a thread of its own, so that the next
    // synthesis need not wait for it (under m_lock).
    void FreshenLater();
    void FindVoices(const QString& dataFolder);
    QString StatusText(espeak_ng_STATUS status) const;

    struct Api {
#define CORVANE_ESPEAK_MEMBER(name) decltype(&::name) name = nullptr;
        CORVANE_ESPEAK_FUNCTIONS(CORVANE_ESPEAK_MEMBER)
#undef CORVANE_ESPEAK_MEMBER
    };
    Api m_api;
    void* m_handle = nullptr;
    bool m_used = false;       // the engine has synthesised since it was last loaded
    bool m_freshening = false; // a reload is under way in the background
    std::thread m_freshener;   // never joined at exit: the engine lives for the run
    std::mutex m_lock;         // one synthesis at a time; guards all of the above
    QString m_error;
    int m_rate = 0;
    std::vector<Voice> m_voices;
};

// The dictionary a voice file names (its "dictionary" line), else its first
// language up to the first "-": a voice speaks only when that dictionary is
// installed. `voiceFile` is the file's text.
QString DictionaryOf(const QString& voiceFile, const QString& firstLanguage);

} // namespace components::espeak
