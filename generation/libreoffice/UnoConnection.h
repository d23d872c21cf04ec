#pragma once

#include <QFileInfo>
#include <QString>
#include <QUrl>
#include <chrono>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <functional>

namespace velmora::office::lo {

namespace css = ::com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using ::rtl::OUString;

// The client side of UNO for this program, set up once from the given
// installation's type and service registries.
Reference<css::uno::XComponentContext> clientContext(const QString& installDir);

struct Connection {
    Reference<css::bridge::XBridge> bridge;
    // The office's own context: services created in it run inside the office.
    Reference<css::uno::XComponentContext> context;
    Reference<css::frame::XDesktop2> desktop;
};

// Connects to the office listening on the pipe, retrying while it starts up.
// stillRunning is asked between attempts; the office is given up on when it
// has ended or the deadline has passed (Failure).
Connection connectToPipe(const Reference<css::uno::XComponentContext>& local,
                         const QString& pipeName, const std::function<bool()>& stillRunning,
                         std::chrono::steady_clock::time_point deadline);

// Ends the bridge, if any, and empties the connection; never throws.
void disposeBridge(Connection& connection);

inline ::rtl::OUString toOUString(const QString& text)
{
    return ::rtl::OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()), text.size());
}

inline QString toQString(const ::rtl::OUString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getStr()), text.getLength());
}

inline css::beans::PropertyValue property(const char* name, const css::uno::Any& value)
{
    css::beans::PropertyValue result;
    result.Name = ::rtl::OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

// The file: URL the office loads and stores by.
inline ::rtl::OUString fileUrl(const QString& path)
{
    return toOUString(
        QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded));
}

} // namespace velmora::office::lo
