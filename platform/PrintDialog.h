#pragma once

#include "platform/PrintSpooler.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

namespace velmora {

// The print dialog: the printer (the default one chosen), the paper (the
// printer's own, or the common sizes when it lists none) and the number of
// copies. Everything it offers, the job carries; nothing else is asked.
class PrintDialog final : public QDialog {
    Q_OBJECT
public:
    PrintDialog(const QList<Printer>& printers, QWidget* parent = nullptr);

    PrintSettings settings() const;

    // What a printer that lists no papers is offered.
    static QList<Paper> commonPapers();

private:
    void showPapers(int printer);

    QList<Printer> mPrinters;
    QComboBox* mPrinter = nullptr;
    QComboBox* mPaper = nullptr;
    QSpinBox* mCopies = nullptr;
};

} // namespace velmora
