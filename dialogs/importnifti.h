#ifndef RELAXON_DIALOGS_IMPORTNIFTI_H
#define RELAXON_DIALOGS_IMPORTNIFTI_H

#include "cases/caseimport.h"
#include "ui_importnifti.h"

#include <QDialog>
#include <QImage>
#include <QString>

class QLineEdit;

// Turns NIfTI volumes into a case: quantitative maps or a segmentation, any slice
// along any axis, with a T1-weighted preview of the chosen slice. The dialog is
// accepted once the case has been saved; savedFile() then names it.
class ImportNifti : public QDialog, public Ui::ImportNifti
{
    Q_OBJECT

public:
    // Echo and repetition time of the preview, in ms.
    static constexpr double previewTe = 15;
    static constexpr double previewTr = 500;

    explicit ImportNifti(QWidget *parent = nullptr);

    QString savedFile() const { return saved; }

    // Reads the volumes named in the form; false (and the reason shown) on failure.
    bool readVolumes();
    // Saves the chosen slice as fileName; false (and the reason shown) on failure.
    bool saveCase(const QString &fileName);

    // Closes the dialog as accepted only once a case has been saved.
    void accept() override;

private:
    void browse(QLineEdit *edit, const QString &filter);
    void sourceChanged(int page);
    void axisChanged();
    void showSlice();
    QString sliceText(int index) const;
    void saveAs();
    ImportOptions formOptions() const;
    // The name of the first volume the chosen source needs whose field is empty.
    QString emptyRequiredField() const;
    SliceAxis chosenAxis() const;
    void showMessage(const QString &text);
    void setSliceControlsEnabled(bool enabled);

    CaseImporter importer;
    bool volumesRead = false;
    ImportedCase shown;
    QString saved;
};

// The picture of the preview: the T1-weighted spin-echo signal of the case in
// the automatic display window, x rightwards and y downwards.
QImage previewImage(const ImportedCase &imported, double te, double tr);

#endif
