#pragma once

// Shared libraries that only some tools need (disc, burn, image and encoder
// libraries), loaded when first used rather than at program start: every
// library linked into the program is mapped and relocated before the first
// window shows. Each library has a table of its functions; call sites write
// libburn().burn_drive_scan_and_grab(...). The first call loads the library
// (thread-safe); when it cannot be loaded, every function of the table is a
// stand-in that fails in its own terms (0, null or nothing) and the
// library's LoadError says why.

#include <QString>
#include <QStringList>

#include <type_traits>
#include <vector>

namespace components::lazy {

// What a stand-in returns: the type's zero, unless a library's source
// specialises this for a type whose zero means success.
template <typename R> R MissingValue() {
    return R{};
}

template <typename Fn> struct Missing;
template <typename R, typename... A> struct Missing<R (*)(A...)> {
    static R call(A...) {
        if constexpr (!std::is_void_v<R>) return MissingValue<R>();
    }
};
template <typename R, typename... A> struct Missing<R (*)(A...) noexcept> {
    static R call(A...) noexcept {
        if constexpr (!std::is_void_v<R>) return MissingValue<R>();
    }
};

// One library's files opened in order (from CORVANE_LIBRARY_DIR only, when
// set: the tests point it at nothing), and its functions looked up in them.
class Library {
public:
    explicit Library(const QStringList& files);
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Points `slot` at `symbol`, or at its stand-in when the library is
    // missing or lacks the function (then Error says so).
    template <typename Fn> void Resolve(Fn& slot, const char* symbol) {
        void* address = m_standIns ? nullptr : find(symbol);
        if (address) {
            slot = reinterpret_cast<Fn>(address);
        } else {
            slot = &Missing<Fn>::call;
            if (!m_standIns) m_unresolved << QString::fromLatin1(symbol);
        }
    }
    // Why the library cannot be used; empty when every function was found.
    QString Error() const;
    // From now on Resolve hands out stand-ins only.
    void UseStandIns() { m_standIns = true; }

private:
    void* find(const char* symbol) const;

    std::vector<void*> m_handles; // kept loaded for the rest of the run
    QString m_openError;
    QStringList m_unresolved;
    bool m_standIns = false;
};

template <typename Api> struct Loaded {
    Api api{};
    QString error;
};

// Loads `files` and fills an Api with `fill(Library&, Api&)`, which resolves
// every member; all stand-ins when anything is missing. Never freed.
template <typename Api, typename Fill> const Loaded<Api>* Load(const QStringList& files, Fill fill) {
    auto* loaded = new Loaded<Api>;
    Library library(files);
    fill(library, loaded->api);
    loaded->error = library.Error();
    if (!loaded->error.isEmpty()) {
        library.UseStandIns();
        fill(library, loaded->api);
    }
    return loaded;
}

} // namespace components::lazy
