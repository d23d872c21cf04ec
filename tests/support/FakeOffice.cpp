#include "tests/support/FakeOffice.h"

#include <QFile>
#include <QThread>
#include <atomic>

namespace velmora::testing {

namespace {

using office::Ref;

void replaceAllIn(QString& text, const QString& search, const QString& replacement,
                  Qt::CaseSensitivity sensitivity)
{
    if (search.isEmpty())
        return;
    qsizetype from = 0;
    while ((from = text.indexOf(search, from, sensitivity)) >= 0) {
        text.replace(from, search.size(), replacement);
        from += replacement.size();
    }
}

struct FakeState {
    FakeOffice* engine;
    bool quit = false;
    std::atomic<bool> abandoned{false};
    [[nodiscard]] std::unique_lock<std::recursive_mutex> enter(FakeOffice::Op operation)
    {
        if (engine->hanging.contains(operation))
            while (!abandoned)
                QThread::msleep(5);
        if (abandoned)
            throw Failure(QStringLiteral("The office instance has ended"));
        std::unique_lock turn(*engine->mutex);
        if (quit)
            throw Failure(QStringLiteral("The office instance has ended"));
        engine->enter(operation);
        return turn;
    }
};

class FakeRange final : public office::Range {
public:
    FakeRange(std::shared_ptr<FakeState> state, QString* text)
        : mState(std::move(state)), mText(text)
    {
    }
    void clearFindFormatting() override
    {
        const auto turn = mState->enter(FakeOffice::Op::ClearFindFormatting);
    }
    void clearReplacementFormatting() override
    {
        const auto turn = mState->enter(FakeOffice::Op::ClearReplacementFormatting);
    }
    office::Find& find() override
    {
        const auto turn = mState->enter(FakeOffice::Op::Find);
        return mFind;
    }
    void execute(int replace) override
    {
        const auto turn = mState->enter(FakeOffice::Op::Execute);
        mState->engine->calls
            << QStringLiteral("execute:%1->%2").arg(mFind.text, mFind.replacementText);
        if (replace == office::kReplaceAll)
            replaceAllIn(*mText, mFind.text, mFind.replacementText,
                         mFind.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    }

private:
    std::shared_ptr<FakeState> mState;
    QString* mText;
    office::Find mFind;
};

// The smallest whole PDF of one blank page, the title in a comment: a reader
// (a printer, a joiner of pages) takes it like the office's.
QByteArray onePagePdf(const QString& title)
{
    QByteArray pdf = "%PDF-1.4\n% " + title.toUtf8().replace('\n', ' ') + "\n";
    const QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                       "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"};
    QList<qsizetype> offsets;
    for (qsizetype index = 0; index < objects.size(); ++index) {
        offsets << pdf.size();
        pdf += QByteArray::number(index + 1) + " 0 obj\n" + objects[index] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1)
           + " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

class FakeShape final : public office::Shape {
public:
    FakeShape(std::shared_ptr<FakeState> state, QString* text)
        : mState(std::move(state)), mText(text)
    {
    }
    bool hasText() override
    {
        const auto turn = mState->enter(FakeOffice::Op::HasText);
        return !mText->isEmpty();
    }
    QString text() override { return *mText; }
    void replaceText(const QString& findText, const QString& replacementText, int replace) override
    {
        const auto turn = mState->enter(FakeOffice::Op::ReplaceText);
        mState->engine->calls
            << QStringLiteral("replaceText:%1->%2").arg(findText, replacementText);
        if (replace == office::kReplaceAll)
            replaceAllIn(*mText, findText, replacementText, Qt::CaseInsensitive);
    }

private:
    std::shared_ptr<FakeState> mState;
    QString* mText;
};

class FakeDocument final : public office::Document {
public:
    FakeDocument(std::shared_ptr<FakeState> state, FakeOffice::Content content)
        : mState(std::move(state)), mContent(std::move(content))
    {
    }
    std::vector<Ref<office::Range>> storyRanges() override
    {
        const auto turn = mState->enter(FakeOffice::Op::StoryRanges);
        std::vector<Ref<office::Range>> ranges;
        for (QString& story : mContent.stories)
            ranges.emplace_back(std::make_shared<FakeRange>(mState, &story));
        return ranges;
    }
    std::vector<Ref<office::Shape>> shapes() override
    {
        const auto turn = mState->enter(FakeOffice::Op::Shapes);
        std::vector<Ref<office::Shape>> shapes;
        for (QString& shape : mContent.shapes)
            shapes.emplace_back(std::make_shared<FakeShape>(mState, &shape));
        return shapes;
    }
    std::vector<office::Overflow> fitTextToBoxes(double floorPoints) override
    {
        const auto turn = mState->enter(FakeOffice::Op::FitTextToBoxes);
        mState->engine->calls << QStringLiteral("fitTextToBoxes:%1").arg(floorPoints);
        std::vector<office::Overflow> overflows;
        for (const QString& box : mContent.shapes)
            if (box.size() > mState->engine->boxCapacity)
                overflows.push_back({box, double(box.size() - mState->engine->boxCapacity)});
        return overflows;
    }
    void saveAs(const QString& path) override
    {
        const auto turn = mState->enter(FakeOffice::Op::SaveAs);
        mState->engine->calls << QStringLiteral("saveAs:") + path;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw Failure(file.errorString());
        file.write((mContent.stories + mContent.shapes).join(QLatin1Char('\n')).toUtf8());
        mState->engine->saved.insert(path, mContent);
    }
    void close() override
    {
        const auto turn = mState->enter(FakeOffice::Op::Close);
        mState->engine->calls << QStringLiteral("close");
    }
    // A small page, so that its pictures stay cheap: 120 x 160 pixels.
    QSizeF pageSize() override
    {
        const auto turn = mState->enter(FakeOffice::Op::PageSize);
        return QSizeF(960, 1280);
    }
    QImage pagePicture(const QSize& pixels) override
    {
        const auto turn = mState->enter(FakeOffice::Op::PagePicture);
        QImage picture(pixels, QImage::Format_RGB32);
        picture.fill(Qt::white);
        return picture;
    }
    QSizeF spotSize(const QString& token) override
    {
        const auto turn = mState->enter(FakeOffice::Op::SpotSize);
        return spotIndex(token) >= 0 ? mState->engine->spotTwips : QSizeF();
    }
    void placePicture(const QString& token, const QImage& picture, const QString& altText) override
    {
        const auto turn = mState->enter(FakeOffice::Op::PlacePicture);
        mState->engine->calls << QStringLiteral("placePicture:%1:%2x%3:%4")
                                     .arg(token)
                                     .arg(picture.width())
                                     .arg(picture.height())
                                     .arg(altText);
        const qsizetype spot = spotIndex(token);
        if (spot < 0)
            throw Failure(QStringLiteral("No spot for ") + token);
        mContent.shapes[spot].clear();
        mContent.pictures.append({token, picture, altText});
    }
    // Enough of a PDF to be told from anything else: its header and the title.
    QByteArray pagePdf(const QString& title) override
    {
        const auto turn = mState->enter(FakeOffice::Op::PagePdf);
        mState->engine->calls << QStringLiteral("pagePdf:") + title;
        return onePagePdf(title);
    }

private:
    qsizetype spotIndex(const QString& token) const
    {
        for (qsizetype i = 0; i < mContent.shapes.size(); ++i)
            if (mContent.shapes[i].trimmed().compare(token, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    std::shared_ptr<FakeState> mState;
    FakeOffice::Content mContent;
};

class FakeApplication final : public office::Application {
public:
    explicit FakeApplication(std::shared_ptr<FakeState> state) : mState(std::move(state)) {}
    Ref<office::Document> open(const QString& path, bool readOnly) override
    {
        const auto turn = mState->enter(FakeOffice::Op::Open);
        mState->engine->calls << QStringLiteral("open:") + path
                                     + (readOnly ? QStringLiteral(":readonly") : QString());
        if (!QFile::exists(path))
            throw Failure(QStringLiteral("This file could not be found: ") + path);
        return Ref<office::Document>(
            std::make_shared<FakeDocument>(mState, mState->engine->templateContent));
    }
    void setDisplayAlerts(bool) override
    {
        const auto turn = mState->enter(FakeOffice::Op::SetDisplayAlerts);
    }
    void closeActiveDocument(bool saveChanges) override
    {
        const auto turn = mState->enter(FakeOffice::Op::CloseActiveDocument);
        mState->engine->calls << QStringLiteral("closeActiveDocument:%1").arg(saveChanges);
    }
    office::TemplateFindings checkTemplate(const QString& path, const QString& copyTo) override
    {
        const auto turn = mState->enter(FakeOffice::Op::CheckTemplate);
        mState->engine->calls << QStringLiteral("checkTemplate:") + path;
        if (!copyTo.isEmpty()) {
            QFile::remove(copyTo);
            if (!QFile::copy(path, copyTo))
                throw Failure(QStringLiteral("Could not write ") + copyTo);
        }
        return mState->engine->templateFindings;
    }
    void quit() override
    {
        if (mState->abandoned && !mState->quit) {
            // Given up: ended all the same, as a killed office is.
            const std::lock_guard turn(*mState->engine->mutex);
            mState->quit = true;
            ++mState->engine->applicationsQuit;
            throw Failure(QStringLiteral("The office instance has ended"));
        }
        const auto turn = mState->enter(FakeOffice::Op::Quit);
        mState->engine->calls << QStringLiteral("quit");
        mState->quit = true;
        ++mState->engine->applicationsQuit;
    }
    void abandon() override { mState->abandoned = true; }

private:
    std::shared_ptr<FakeState> mState;
};

} // namespace

QString FakeOffice::nameOf(Op operation)
{
    static const char* const names[] = {"create",
                                        "checkAvailable",
                                        "open",
                                        "storyRanges",
                                        "shapes",
                                        "clearFindFormatting",
                                        "clearReplacementFormatting",
                                        "find",
                                        "execute",
                                        "hasText",
                                        "replaceText",
                                        "fitTextToBoxes",
                                        "saveAs",
                                        "setDisplayAlerts",
                                        "close",
                                        "pageSize",
                                        "pagePicture",
                                        "pagePdf",
                                        "closeActiveDocument",
                                        "quit",
                                        "checkTemplate",
                                        "spotSize",
                                        "placePicture"};
    return QString::fromLatin1(names[int(operation)]);
}

void FakeOffice::enter(Op operation)
{
    if (onOperation)
        onOperation(operation);
    if (failing.contains(operation))
        throw Failure(QStringLiteral("The office failed at ") + nameOf(operation));
}

office::Ref<office::Application> FakeOffice::createApplication()
{
    const std::lock_guard turn(*mutex);
    enter(Op::Create);
    calls << QStringLiteral("create");
    ++applicationsCreated;
    auto state = std::make_shared<FakeState>();
    state->engine = this;
    return office::Ref<office::Application>(std::make_shared<FakeApplication>(state));
}

void FakeOffice::checkAvailable()
{
    const std::lock_guard turn(*mutex);
    enter(Op::CheckAvailable);
    calls << QStringLiteral("checkAvailable");
    if (failing.contains(Op::Create))
        throw Failure(QStringLiteral("The office cannot be created"));
}

} // namespace velmora::testing
