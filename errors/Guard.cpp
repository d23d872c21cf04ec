#include "errors/Guard.h"

#include "errors/ErrorReport.h"
#include "platform/Platform.h"

#include <exception>

namespace velmora {

Guard::Guard(Dialogs& dialogs, QString location) : mDialogs(dialogs), mLocation(std::move(location))
{
}

Guard::Guard(const Platform& platform, QString location)
    : mDialogs(*platform.dialogs), mLocation(std::move(location)),
      mFailingStep(platform.failingStep)
{
}

bool Guard::step(int line, const std::function<void()>& statement)
{
    QString description;
    try {
        if (mFailingStep && mFailingStep(mLocation, line))
            throw Failure(kInjectedFailure);
        statement();
        return true;
    } catch (const Failure& failure) {
        description = failure.description();
    } catch (const std::exception& failure) {
        description = QString::fromLocal8Bit(failure.what());
    } catch (...) {
        description = QStringLiteral("Unexpected failure");
    }
    // Reported outside the catch block: the report runs a modal loop, and no
    // exception should stay in flight while it does.
    report(description, line);
    return false;
}

bool Guard::test(int line, const std::function<bool()>& condition)
{
    bool result = true;
    step(line, [&] { result = condition(); });
    return result;
}

void Guard::report(const QString& description, int line)
{
    ++mFailures;
    showErrorReport(mDialogs, description, mLocation, line);
}

} // namespace velmora
