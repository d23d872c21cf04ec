#include "platform/PrintDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora {

PrintDialog::PrintDialog(const QList<Printer>& printers, QWidget* parent)
    : QDialog(parent), mPrinters(printers)
{
    mPrinter = new QComboBox;
    mPrinter->setObjectName(QStringLiteral("Printer"));
    mPrinter->setAccessibleName(QStringLiteral("Printer"));
    for (const Printer& printer : mPrinters)
        mPrinter->addItem(printer.label, printer.queue);
    mPaper = new QComboBox;
    mPaper->setObjectName(QStringLiteral("Paper"));
    mPaper->setAccessibleName(QStringLiteral("Paper"));
    mCopies = new QSpinBox;
    mCopies->setObjectName(QStringLiteral("Copies"));
    mCopies->setAccessibleName(QStringLiteral("Copies"));
    mCopies->setRange(1, 99);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("P&rinter:"), mPrinter);
    form->addRow(QStringLiteral("P&aper:"), mPaper);
    form->addRow(QStringLiteral("&Copies:"), mCopies);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    QPushButton* print = buttons->addButton(QStringLiteral("&Print"), QDialogButtonBox::AcceptRole);
    print->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(mPrinter, &QComboBox::currentIndexChanged, this, &PrintDialog::showPapers);
    int chosen = 0;
    for (qsizetype i = 0; i < mPrinters.size(); ++i)
        chosen = mPrinters[i].isDefault ? int(i) : chosen;
    mPrinter->setCurrentIndex(chosen);
    showPapers(chosen);
    mPrinter->setFocus();
}

void PrintDialog::showPapers(int printer)
{
    mPaper->clear();
    if (printer < 0 || printer >= mPrinters.size())
        return;
    const Printer& shown = mPrinters[printer];
    const QList<Paper> papers = shown.papers.isEmpty() ? commonPapers() : shown.papers;
    QString chosen = shown.defaultPaper;
    if (shown.papers.isEmpty())
        chosen = QLocale::system().measurementSystem() == QLocale::MetricSystem
                     ? QStringLiteral("iso_a4_210x297mm")
                     : QStringLiteral("na_letter_8.5x11in");
    for (const Paper& paper : papers)
        mPaper->addItem(paper.label, paper.name);
    mPaper->setCurrentIndex(std::max(0, mPaper->findData(chosen)));
}

PrintSettings PrintDialog::settings() const
{
    PrintSettings settings;
    settings.queue = mPrinter->currentData().toString();
    settings.copies = mCopies->value();
    settings.paper = mPaper->currentData().toString();
    return settings;
}

QList<Paper> PrintDialog::commonPapers()
{
    return {{QStringLiteral("na_letter_8.5x11in"), QStringLiteral("Letter")},
            {QStringLiteral("na_legal_8.5x14in"), QStringLiteral("Legal")},
            {QStringLiteral("iso_a4_210x297mm"), QStringLiteral("A4")},
            {QStringLiteral("iso_a5_148x210mm"), QStringLiteral("A5")}};
}

} // namespace velmora
