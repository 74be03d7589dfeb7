// The failure the tag classes raise to their caller: a number, the source
// ("<program>.<class>") and a description, as the editor shows them.
#pragma once

#include <QString>
#include <QtGlobal>

#include <exception>

namespace id3 {

// The tag classes' own error numbers.
constexpr qint32 kErrNotValidMP3 = static_cast<qint32>(0x80041001);
// The file holds a tag that cannot be rewritten without losing part of it.
constexpr qint32 kErrCannotRewrite = static_cast<qint32>(0x80041002);
// Numbers of the frame store's failures, as the keyed collections give them.
constexpr qint32 kErrInvalidCall = 5;
constexpr qint32 kErrOutOfRange = 9;
constexpr qint32 kErrNoObject = 91;

class TagError : public std::exception {
public:
    TagError(qint32 number, QString source, QString description)
        : Number(number), Source(std::move(source)), Description(std::move(description)),
          m_what(Description.toLocal8Bit()) {}
    const char* what() const noexcept override { return m_what.constData(); }

    qint32 Number;
    QString Source;
    QString Description;

private:
    QByteArray m_what;
};

// "<executable name without extension>.<className>".
QString TagErrorSource(const char* className);
// A failure of the platform's file calls: errno and its text.
TagError FileError(int errnoValue, const char* className);

} // namespace id3
