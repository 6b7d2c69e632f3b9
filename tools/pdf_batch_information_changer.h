#pragma once

#include "featurebase.h"

#include <QList>
#include <QPair>

namespace Ui {
class PDF_Batch_Information_Changer;
}

// Rewrites the document information (Author, Creator, Keywords, Producer,
// Subject, Title) of every PDF of the list: the ticked fields get the typed
// values, the others keep the input's; one output per input in the chosen
// folder.
class PDF_Batch_Information_Changer : public FeatureBase
{
    Q_OBJECT

public:
    PDF_Batch_Information_Changer(QWidget* parent, const BrandingRecord& record);
    ~PDF_Batch_Information_Changer() override;

    // One input's information as read: (name as pdfinfo names it, value) in
    // pdfinfo's order, the dates as the file stores them.
    struct Information
    {
        QString input;
        QList<QPair<QString, QString>> fields;
    };
    // Runs that read each input's information instead of writing anything
    // (what the command line's --show asks for).
    void setReadOnly(bool on) { readOnly = on; }
    // What the last read-only run read, in list order.
    const QList<Information>& informationRead() const { return read; }
    bool anyFieldTicked() const;

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private slots:
    void on_checkBox_Subject_clicked();
    void on_checkBox_Author_clicked();
    void on_checkBox_Creator_clicked();
    void on_checkBox_Producer_clicked();
    void on_checkBox_Title_clicked();
    void on_checkBox_Keywords_clicked();

private:
    void UpdateEntries();
    void ReadInformation(const QStringList& paths);

    Ui::PDF_Batch_Information_Changer* ui;
    bool readOnly = false;
    QList<Information> read;
};
