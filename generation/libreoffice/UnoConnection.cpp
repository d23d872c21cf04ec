#include "generation/libreoffice/UnoConnection.h"

#include "platform/Failure.h"

#include <QUrl>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <mutex>
#include <rtl/bootstrap.hxx>
#include <thread>

namespace velmora::office::lo {

Reference<css::uno::XComponentContext> clientContext(const QString& installDir)
{
    static std::mutex mutex;
    static Reference<css::uno::XComponentContext> context;
    std::lock_guard lock(mutex);
    if (context.is())
        return context;
    const QString program = QUrl::fromLocalFile(installDir + QStringLiteral("/program")).toString();
    // Set as process-wide bootstrap values, so that no ini file is needed.
    rtl::Bootstrap::set(::rtl::OUString("URE_INTERNAL_LIB_DIR"), toOUString(program));
    rtl::Bootstrap::set(::rtl::OUString("UNO_TYPES"),
                        toOUString(program + QStringLiteral("/types.rdb ") + program
                                   + QStringLiteral("/types/offapi.rdb")));
    rtl::Bootstrap::set(::rtl::OUString("UNO_SERVICES"),
                        toOUString(program + QStringLiteral("/services.rdb")));
    context = cppu::defaultBootstrap_InitialComponentContext();
    return context;
}

Connection connectToPipe(const Reference<css::uno::XComponentContext>& local,
                         const QString& pipeName, const std::function<bool()>& stillRunning,
                         std::chrono::steady_clock::time_point deadline)
{
    const Reference<css::connection::XConnector> connector =
        css::connection::Connector::create(local);
    const ::rtl::OUString description = toOUString(QStringLiteral("pipe,name=") + pipeName);
    Reference<css::connection::XConnection> connection;
    for (;;) {
        try {
            connection = connector->connect(description);
            break;
        } catch (const css::connection::NoConnectException&) {
        }
        if (!stillRunning())
            throw Failure(QStringLiteral("LibreOffice ended while it was starting"));
        if (std::chrono::steady_clock::now() > deadline)
            throw Failure(QStringLiteral("LibreOffice did not start in time"));
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    Connection result;
    result.bridge = css::bridge::BridgeFactory::create(local)->createBridge(
        ::rtl::OUString(), ::rtl::OUString("urp"), connection, nullptr);
    result.context.set(result.bridge->getInstance(::rtl::OUString("StarOffice.ComponentContext")),
                       css::uno::UNO_QUERY_THROW);
    result.desktop = css::frame::Desktop::create(result.context);
    return result;
}

void disposeBridge(Connection& connection)
{
    const Reference<css::lang::XComponent> bridge(connection.bridge, css::uno::UNO_QUERY);
    connection = {};
    if (bridge.is()) {
        try {
            bridge->dispose();
        } catch (const css::uno::Exception&) {
        }
    }
}

} // namespace velmora::office::lo
