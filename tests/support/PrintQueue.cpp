#include "tests/support/PrintQueue.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cups/cups.h>
#include <unistd.h>

namespace velmora::testing {

namespace {

const QString kDaemon = QStringLiteral("/usr/sbin/cupsd");
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kDriver = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
// CUPS-PDF reads a queue's own settings from here, whatever the scheduler's folders.
const QString kBackendConfigFolder = QStringLiteral("/etc/cups");

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

QString tail(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    return QString::fromUtf8(all.right(600));
}

template <class Ready>
bool poll(std::chrono::milliseconds limit, Ready ready)
{
    QElapsedTimer clock;
    clock.start();
    while (!ready()) {
        if (clock.elapsed() > limit.count())
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    return true;
}

} // namespace

PrintQueue::PrintQueue()
    : mName(QStringLiteral("velmora-test-%1").arg(::getpid())),
      mFormerServer(qgetenv("CUPS_SERVER")), mHadServer(qEnvironmentVariableIsSet("CUPS_SERVER"))
{
    if (!start() && mWhyNot.isEmpty())
        mWhyNot = QStringLiteral("the print service did not start");
}

QString PrintQueue::server() const
{
    return mFolder.filePath(QStringLiteral("cups.sock"));
}

bool PrintQueue::start()
{
    if (::geteuid() != 0) {
        mWhyNot = QStringLiteral("cupsd cannot run the CUPS-PDF printer without root");
        return false;
    }
    for (const QString& needed : {kDaemon, kBackend, kDriver}) {
        if (!QFileInfo::exists(needed)) {
            mWhyNot = needed + QStringLiteral(" is not installed");
            return false;
        }
    }
    const QString root = mFolder.path();
    // The scheduler's filters run as its user (lp), which must reach the spool.
    QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                    | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                    | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                    | QFileDevice::ExeGroup);
    for (const char* folder : {"etc/ppd", "spool/tmp", "cache", "state", "log", "printed"})
        QDir(root).mkpath(QString::fromLatin1(folder));
    const QString etc = root + QStringLiteral("/etc");
    const bool configured =
        writeFile(etc + QStringLiteral("/cupsd.conf"),
                  QStringLiteral("Listen %1\nLogLevel info\nBrowsing Off\nWebInterface No\n"
                                 "DefaultAuthType None\n"
                                 "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                 "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                                 "<Policy default>\n  <Limit All>\n    Order deny,allow\n"
                                 "  </Limit>\n</Policy>\n")
                      .arg(server()))
        && writeFile(
            etc + QStringLiteral("/cups-files.conf"),
            QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/spool/tmp\n"
                           "CacheDir %1/cache\nStateDir %1/state\n"
                           "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                           "PageLog %1/log/page_log\n")
                .arg(root));
    mBackendConfig =
        kBackendConfigFolder + QStringLiteral("/cups-pdf-") + mName + QStringLiteral(".conf");
    const QString printed = root + QStringLiteral("/printed");
    if (!configured
        || !writeFile(mBackendConfig, QStringLiteral("Out %1\nAnonDirName %1\n").arg(printed))) {
        mWhyNot = QStringLiteral("the print service's settings cannot be written");
        return false;
    }

    mDaemon.setProcessChannelMode(QProcess::MergedChannels);
    mDaemon.setStandardOutputFile(root + QStringLiteral("/log/daemon"));
    mDaemon.start(kDaemon,
                  {QStringLiteral("-f"), QStringLiteral("-c"), etc + QStringLiteral("/cupsd.conf"),
                   QStringLiteral("-s"), etc + QStringLiteral("/cups-files.conf")});
    if (!mDaemon.waitForStarted(10000)) {
        mWhyNot = QStringLiteral("cupsd does not start: ") + mDaemon.errorString();
        return false;
    }
    const bool listening = poll(std::chrono::seconds(30), [&] {
        return QFileInfo(server()).exists() || mDaemon.state() == QProcess::NotRunning;
    });
    if (!listening || mDaemon.state() == QProcess::NotRunning) {
        mWhyNot = QStringLiteral("cupsd did not start: ")
                  + tail(root + QStringLiteral("/log/daemon"))
                  + tail(root + QStringLiteral("/log/error_log"));
        return false;
    }
    qputenv("CUPS_SERVER", server().toLocal8Bit());

    QProcess admin;
    admin.setProcessChannelMode(QProcess::MergedChannels);
    admin.start(QStringLiteral("lpadmin"),
                {QStringLiteral("-h"), server(), QStringLiteral("-p"), mName, QStringLiteral("-E"),
                 QStringLiteral("-v"), QStringLiteral("cups-pdf:/") + mName, QStringLiteral("-P"),
                 kDriver, QStringLiteral("-o"), QStringLiteral("printer-is-shared=false")});
    if (!admin.waitForFinished(60000) || admin.exitCode() != 0) {
        mWhyNot =
            QStringLiteral("the test queue cannot be added: ") + QString::fromUtf8(admin.readAll());
        return false;
    }
    return true;
}

PrintQueue::~PrintQueue()
{
    if (mDaemon.state() != QProcess::NotRunning) {
        QProcess::execute(QStringLiteral("lpadmin"),
                          {QStringLiteral("-h"), server(), QStringLiteral("-x"), mName});
        mDaemon.terminate();
        if (!mDaemon.waitForFinished(10000)) {
            mDaemon.kill();
            mDaemon.waitForFinished(5000);
        }
    }
    if (!mBackendConfig.isEmpty())
        QFile::remove(mBackendConfig);
    if (mHadServer)
        qputenv("CUPS_SERVER", mFormerServer);
    else
        qunsetenv("CUPS_SERVER");
}

QString PrintQueue::jobAttribute(int job, const char* name) const
{
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QByteArrayLiteral("ipp://localhost/jobs/") + QByteArray::number(job);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    // The job's name is shown to its owner only.
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString value;
    if (ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO)) {
        char text[256];
        ippAttributeString(attribute, text, sizeof text);
        value = QString::fromUtf8(text);
    }
    ippDelete(response);
    return value;
}

QString PrintQueue::awaitPrinted(int job, std::chrono::milliseconds limit) const
{
    const QDir printed(mFolder.filePath(QStringLiteral("printed")));
    const QString pattern = QStringLiteral("*job_%1.pdf").arg(job);
    QString found;
    const auto completed = [&] {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, mName.toUtf8().constData(), 0,
                                       CUPS_WHICHJOBS_COMPLETED);
        bool done = false;
        for (int i = 0; i < count; ++i)
            done = done || (jobs[i].id == job && jobs[i].state == IPP_JSTATE_COMPLETED);
        cupsFreeJobs(count, jobs);
        return done;
    };
    poll(limit, [&] {
        if (!completed())
            return false;
        const QFileInfoList files = printed.entryInfoList({pattern}, QDir::Files);
        if (!files.isEmpty() && files.first().size() > 0)
            found = files.first().filePath();
        return !found.isEmpty();
    });
    return found;
}

} // namespace velmora::testing
