#pragma once

#include <QString>
#include <stdexcept>

namespace velmora {

// The one failure type of the program. Every operation that can fail throws it
// with the text the failing party supplied (the office's own message, the
// system's description of a file error, ...); the guard shows that text as is.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description)
        : std::runtime_error(description.toStdString()), mDescription(description)
    {
    }
    const QString& description() const noexcept { return mDescription; }

private:
    QString mDescription;
};

// The description a call on an object that is not there fails with.
inline const QString kObjectNotSet =
    QStringLiteral("Object variable or With block variable not set");

} // namespace velmora
