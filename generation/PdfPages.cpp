#include "generation/PdfPages.h"

// qpdf 11: no PointerHolder, std::shared_ptr only.
#define POINTERHOLDER_TRANSITION 4

#include "platform/Failure.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <memory>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <vector>

namespace velmora {

namespace {

// Hands what the writer makes straight to the file, so that a thousand pages
// are never held at once.
class DeviceWriting final : public Pipeline {
public:
    explicit DeviceWriting(QIODevice& device) : Pipeline("file", nullptr), mDevice(device) {}
    void write(unsigned char const* data, size_t length) override
    {
        while (length > 0) {
            const qint64 count = mDevice.write(reinterpret_cast<const char*>(data), qint64(length));
            if (count <= 0)
                throw Failure(mDevice.errorString());
            data += count;
            length -= size_t(count);
        }
    }
    void finish() override {}

private:
    QIODevice& mDevice;
};

} // namespace

void joinPdfFiles(const QStringList& files, const QString& title, const QString& path)
{
    // The read documents stay open until the joined one is written: its pages
    // refer to their objects.
    std::vector<std::unique_ptr<QPDF>> read;
    QPDF joined;
    try {
        joined.emptyPDF();
        QPDFPageDocumentHelper pages(joined);
        for (const QString& file : files) {
            auto document = std::make_unique<QPDF>();
            document->setSuppressWarnings(true);
            document->processFile(QFile::encodeName(file).constData());
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*document).getAllPages())
                pages.addPage(page, false);
            read.push_back(std::move(document));
        }
        QPDFObjectHandle info = joined.makeIndirectObject(QPDFObjectHandle::newDictionary());
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title.toStdString()));
        joined.getTrailer().replaceKey("/Info", info);
    } catch (const std::exception& error) {
        throw Failure(QStringLiteral("The pages could not be joined: %1")
                          .arg(QString::fromLocal8Bit(error.what())));
    }
    replaceFileWhole(path, [&](QIODevice& device) {
        DeviceWriting output(device);
        try {
            QPDFWriter writer(joined);
            writer.setOutputPipeline(&output);
            writer.setObjectStreamMode(qpdf_o_generate);
            writer.write();
        } catch (const Failure&) {
            throw;
        } catch (const std::exception& error) {
            throw Failure(QString::fromLocal8Bit(error.what()));
        }
    });
}

} // namespace velmora
