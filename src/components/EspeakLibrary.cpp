#include "components/EspeakLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <dlfcn.h>

namespace components::espeak {

namespace {

// The soname this build was compiled against.
constexpr const char* kLibrary = "libespeak-ng.so.1";
// Milliseconds of speech per block handed to the sink: short, so that the
// first sound and a stop are not held up by a long block.
constexpr int kBlockMs = 20;

// The synthesis running now (one at a time, under Engine::m_lock): the engine
// calls back through a plain function.
struct Running {
    const SpeechSink* sink = nullptr;
    int rate = 0;
    std::vector<WordMark> words;
};
Running* g_running = nullptr;

int SynthCallback(short* wav, int count, espeak_EVENT* events) {
    Running* run = g_running;
    if (!run) return 1;
    run->words.clear();
    for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        if (e->type != espeakEVENT_WORD) continue;
        // Positions count code points from 1; audio positions are milliseconds.
        WordMark mark;
        mark.sample = qint64(e->audio_position) * run->rate / 1000;
        mark.start = qMax(0, e->text_position - 1);
        mark.length = qMax(0, e->length);
        run->words.push_back(mark);
    }
    if (!wav) count = 0; // the end of the speech
    if (count == 0 && run->words.empty()) return 0;
    return (*run->sink)(wav, count, run->words) ? 0 : 1;
}

// The calls after which the library holds memory that espeak_ng_Terminate
// does not give back (its list of voices, its output object, some of what it
// loads), lost when the library is unloaded after a synthesis: made through
// functions of their own, whose frames name those allocations in sanitizer
// builds once the library's own frames are gone (tests/sanitizers/lsan.supp).
// Each keeps its frame under the library's: no call in tail position.
template <typename Result> Result EspeakKeepsFramed(Result result) {
    asm volatile("" : : "g"(result) : "memory");
    return result;
}
[[gnu::noinline]] espeak_ng_STATUS EspeakKeepsInitialize(decltype(&::espeak_ng_Initialize) initialize,
                                                         espeak_ng_ERROR_CONTEXT* context) {
    return EspeakKeepsFramed(initialize(context));
}
[[gnu::noinline]] espeak_ng_STATUS
EspeakKeepsInitializeOutput(decltype(&::espeak_ng_InitializeOutput) initialize) {
    return EspeakKeepsFramed(initialize(ENOUTPUT_MODE_SYNCHRONOUS, kBlockMs, nullptr));
}
[[gnu::noinline]] const espeak_VOICE** EspeakKeepsListVoices(decltype(&::espeak_ListVoices) list) {
    return EspeakKeepsFramed(list(nullptr));
}
[[gnu::noinline]] espeak_ng_STATUS EspeakKeepsSetVoiceByName(decltype(&::espeak_ng_SetVoiceByName) set,
                                                             const char* name) {
    return EspeakKeepsFramed(set(name));
}

} // namespace

QString DictionaryOf(const QString& voiceFile, const QString& firstLanguage) {
    static const QRegularExpression line(QStringLiteral("^\\s*dictionary\\s+(\\S+)"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(voiceFile);
    if (m.hasMatch()) return m.captured(1);
    return firstLanguage.section(QLatin1Char('-'), 0, 0);
}

Engine& Engine::instance() {
    static Engine* const engine = new Engine; // kept for the run: a synthesis may be running at exit
    return *engine;
}

Engine::Engine() {
    Load();
}

QString Engine::StatusText(espeak_ng_STATUS status) const {
    char text[256] = {};
    m_api.espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

void Engine::Load() {
    if (!Open(&m_error)) return;
    m_rate = m_api.espeak_ng_GetSampleRate();
    const char* dataFolder = nullptr;
    m_api.espeak_Info(&dataFolder);
    FindVoices(dataFolder ? QFile::decodeName(dataFolder) : QString());
    if (m_voices.empty()) {
        m_error = QStringLiteral("No voice data is installed for the speech engine.");
        m_rate = 0;
    }
}

bool Engine::Open(QString* error) {
    // CORVANE_ESPEAK_DIR loads it from that folder only (the tests use it to
    // see the program without it).
    const QString folder = qEnvironmentVariable("CORVANE_ESPEAK_DIR");
    const QString file = folder.isEmpty() ? QString::fromLatin1(kLibrary) : folder + u'/' + kLibrary;
    void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        *error =
            QStringLiteral("The speech engine cannot be loaded (%1).").arg(QString::fromLocal8Bit(dlerror()));
        return false;
    }
    QStringList unresolved;
#define CORVANE_ESPEAK_RESOLVE(name)                                                                         \
    m_api.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                                  \
    if (!m_api.name) unresolved << QStringLiteral(#name);
    CORVANE_ESPEAK_FUNCTIONS(CORVANE_ESPEAK_RESOLVE)
#undef CORVANE_ESPEAK_RESOLVE
    auto fail = [&](const QString& why) {
        *error = why;
        dlclose(handle);
        m_api = Api{};
        return false;
    };
    if (!unresolved.isEmpty())
        return fail(QStringLiteral("The speech engine %1 lacks %2.")
                        .arg(QLatin1String(kLibrary), unresolved.join(QStringLiteral(", "))));

    // The data folder comes from ESPEAK_DATA_PATH or the engine's own default.
    m_api.espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = EspeakKeepsInitialize(m_api.espeak_ng_Initialize, &context);
    m_api.espeak_ng_ClearErrorContext(&context);
    if (status != ENS_OK)
        return fail(
            QStringLiteral("No voice data is installed for the speech engine (%1).").arg(StatusText(status)));
    status = EspeakKeepsInitializeOutput(m_api.espeak_ng_InitializeOutput);
    if (status != ENS_OK)
        return fail(QStringLiteral("The speech engine cannot start (%1).").arg(StatusText(status)));
    m_api.espeak_SetSynthCallback(&SynthCallback);
    m_handle = handle;
    m_used = false;
    return true;
}

void Engine::Unload() {
    // Terminate ends the thread that initialising started and frees the
    // engine's data; only then can the library go. It stays "used": the next
    // synthesis loads it again.
    m_api.espeak_ng_Terminate();
    dlclose(m_handle);
    m_handle = nullptr;
    m_api = Api{};
}

void Engine::FindVoices(const QString& dataFolder) {
    const espeak_VOICE** voices = EspeakKeepsListVoices(m_api.espeak_ListVoices);
    for (int i = 0; voices && voices[i]; ++i) {
        const espeak_VOICE& v = *voices[i];
        if (!v.name || !v.identifier) continue;
        // `languages` is a priority byte, then the first language name.
        const QString language =
            v.languages && v.languages[0] ? QString::fromUtf8(v.languages + 1) : QString();
        const QString identifier = QString::fromUtf8(v.identifier);
        QFile voiceFile(dataFolder + QStringLiteral("/lang/") + identifier);
        const QString text =
            voiceFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(voiceFile.readAll()) : QString();
        const QString dictionary = DictionaryOf(text, language);
        if (dictionary.isEmpty() ||
            !QFileInfo(dataFolder + u'/' + dictionary + QStringLiteral("_dict")).isFile())
            continue;
        Voice voice{QString::fromUtf8(v.name).trimmed(), identifier};
        // The engine's own default voice leads the list.
        if (language == QLatin1String(ESPEAKNG_DEFAULT_VOICE) || identifier.endsWith(QStringLiteral("/en")))
            m_voices.insert(m_voices.begin(), voice);
        else
            m_voices.push_back(voice);
    }
}

bool Engine::Synthesize(const QString& text, const SpeechRequest& request, const SpeechSink& sink,
                        QString* error) {
    if (!m_error.isEmpty()) {
        if (error) *error = m_error;
        return false;
    }
    std::lock_guard lock(m_lock);
    if (m_used) {
        // The engine made fresh in the background is not ready yet.
        if (m_handle) Unload();
        QString why;
        if (!Open(&why)) {
            if (error) *error = why;
            return false;
        }
    }
    m_used = true;
    const bool ok = SynthesizeNow(text, request, sink, error);
    FreshenLater();
    return ok;
}

void Engine::FreshenLater() {
    if (m_freshening) return;
    m_freshening = true;
    // The last one has finished its work: it cleared m_freshening under the lock.
    if (m_freshener.joinable()) m_freshener.join();
    m_freshener = std::thread([this] {
        std::lock_guard lock(m_lock);
        if (m_used) {
            if (m_handle) Unload();
            QString why; // told by the next synthesis, which tries again
            Open(&why);
        }
        m_freshening = false;
    });
}

bool Engine::SynthesizeNow(const QString& text, const SpeechRequest& request, const SpeechSink& sink,
                           QString* error) {
    const QByteArray voice = request.voiceIdentifier.isEmpty() ? QByteArray(ESPEAKNG_DEFAULT_VOICE)
                                                               : request.voiceIdentifier.toUtf8();
    espeak_ng_STATUS status = EspeakKeepsSetVoiceByName(m_api.espeak_ng_SetVoiceByName, voice.constData());
    if (status == ENS_OK) status = m_api.espeak_ng_SetParameter(espeakRATE, request.wordsPerMinute, 0);
    if (status == ENS_OK) status = m_api.espeak_ng_SetParameter(espeakVOLUME, request.volume, 0);
    if (status != ENS_OK) {
        if (error)
            *error = QStringLiteral("The speech engine refused the voice or its settings (%1).")
                         .arg(StatusText(status));
        return false;
    }
    const QByteArray utf8 = text.toUtf8();
    Running run;
    run.sink = &sink;
    run.rate = m_rate;
    g_running = &run;
    status = m_api.espeak_ng_Synthesize(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                        espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, nullptr);
    g_running = nullptr;
    // A synthesis the sink stopped is no failure of the engine.
    if (status != ENS_OK && status != ENS_SPEECH_STOPPED) {
        if (error) *error = QStringLiteral("The speech engine failed (%1).").arg(StatusText(status));
        return false;
    }
    return true;
}

} // namespace components::espeak
