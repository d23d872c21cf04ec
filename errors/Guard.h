#pragma once

#include "platform/Failure.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace velmora {

class Dialogs;
struct Platform;

// Yields the elements of a collection one at a time; std::nullopt ends the walk.
// Fetching the next element may throw, like a real enumerator.
template <class T>
using NextElement = std::function<std::optional<T>()>;

template <class T>
NextElement<T> elementsOf(std::vector<T> elements)
{
    return [elements = std::move(elements), index = std::size_t{0}]() mutable -> std::optional<T> {
        if (index < elements.size())
            return elements[index++];
        return std::nullopt;
    };
}

// Runs the numbered statements of one guarded procedure. A statement that fails
// is shown in the Error report with its line number and the procedure carries on
// with the statement after it; nothing is ever rethrown to the caller.
// A failure inside an unguarded callee simply propagates (it is an exception) to
// the step that called it, so it is reported with that step's line number.
class Guard {
public:
    Guard(Dialogs& dialogs, QString location);
    // Reports through the platform's dialogs; the statements the platform
    // names as failing (tests) fail without running.
    Guard(const Platform& platform, QString location);

    // The description of a statement made to fail through the platform.
    static inline const QString kInjectedFailure = QStringLiteral("Injected failure");

    // One statement. Returns false when it failed (after the report).
    bool step(int line, const std::function<void()>& statement);

    // A test that opens a block: when the test itself fails the next statement
    // in written order is the first of the block, so a failed test yields true.
    bool test(int line, const std::function<bool()>& condition);

    // A walk over a collection. When starting the walk fails, the body runs
    // once with an empty element and stepping on from it fails in turn; when a
    // step fails, the walk ends and the procedure goes on after it.
    template <class T>
    void forEach(int startLine, int nextLine, const std::function<NextElement<T>()>& start,
                 const std::function<void(const T&)>& body);

    int failureCount() const { return mFailures; }
    const QString& location() const { return mLocation; }

private:
    void report(const QString& description, int line);

    Dialogs& mDialogs;
    QString mLocation;
    std::function<bool(const QString& location, int line)> mFailingStep;
    int mFailures = 0;
};

template <class T>
void Guard::forEach(int startLine, int nextLine, const std::function<NextElement<T>()>& start,
                    const std::function<void(const T&)>& body)
{
    NextElement<T> next;
    std::optional<T> element;
    if (!step(startLine, [&] {
            next = start();
            element = next();
        })) {
        body(T{});
        step(nextLine, [] { throw Failure(kObjectNotSet); });
        return;
    }
    while (element) {
        body(*element);
        if (!step(nextLine, [&] { element = next(); }))
            return;
    }
}

} // namespace velmora
