#pragma once

#include "generation/Office.h"

#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <limits>
#include <memory>
#include <mutex>

namespace velmora::testing {

// A document engine for tests: documents are a few plain-text stories and
// shapes, every operation is recorded, and any operation can be made to fail.
class FakeOffice final : public office::Engine {
public:
    struct Content {
        QStringList stories{QStringLiteral("main text")};
        // Shapes; an empty string is a shape without text (a picture).
        QStringList shapes;
        // The pictures placed into spots.
        struct Picture {
            QString token;
            QImage picture;
            QString altText;
        };
        QList<Picture> pictures;
    };

    // What a newly opened document holds.
    Content templateContent;
    // The shapes are the text boxes: one holding more characters than this
    // overflows even in the smallest type, and fitTextToBoxes says so.
    qsizetype boxCapacity = std::numeric_limits<qsizetype>::max();
    // The size of every spot (a shape whose only text is a token), in twips.
    QSizeF spotTwips{2880, 2880};
    // The operations, in interface order.
    enum class Op {
        Create,
        CheckAvailable,
        Open,
        StoryRanges,
        Shapes,
        ClearFindFormatting,
        ClearReplacementFormatting,
        Find,
        Execute,
        HasText,
        ReplaceText,
        FitTextToBoxes,
        SaveAs,
        SetDisplayAlerts,
        Close,
        PageSize,
        PagePicture,
        PagePdf,
        CloseActiveDocument,
        Quit,
        CheckTemplate,
        SpotSize,
        PlacePicture
    };
    static QString nameOf(Op operation);

    // What checkTemplate finds in any file; an accepted copy is the file itself.
    office::TemplateFindings templateFindings;

    // The operations that fail.
    QSet<Op> failing;
    // The operations that never answer, like a stopped office: they fail
    // only once their application is abandoned.
    QSet<Op> hanging;
    // Every operation in the order it ran, e.g. "open:/tmp/x/template.dot:readonly".
    QStringList calls;
    // The content of every document saved, by path.
    QHash<QString, Content> saved;
    // Runs inside every operation, before it does anything (for reentrancy tests).
    std::function<void(Op operation)> onOperation;

    // Held by every operation: offices on other threads take turns, and a
    // test reads what they did under it.
    std::shared_ptr<std::recursive_mutex> mutex = std::make_shared<std::recursive_mutex>();

    int applicationsCreated = 0;
    int applicationsQuit = 0;
    int applicationsAlive() const { return applicationsCreated - applicationsQuit; }

    office::Ref<office::Application> createApplication() override;
    // Fails as "checkAvailable" does, and wherever "create" would.
    void checkAvailable() override;

    // Throws the failure of an operation when it is listed in `failing`.
    void enter(Op operation);
};

} // namespace velmora::testing
