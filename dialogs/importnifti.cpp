#include "dialogs/importnifti.h"

#include "cases/mrimaps.h"
#include "simulation/displaywindow.h"
#include "simulation/signalmodel.h"

#include <QFileDialog>
#include <QImage>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

namespace {

const char *const niftiFilter = QT_TRANSLATE_NOOP("ImportNifti", "NIfTI volumes (*.nii *.nii.gz)");
const char *const tableFilter = QT_TRANSLATE_NOOP("ImportNifti", "Tissue tables (*.csv)");

} // namespace

QImage previewImage(const ImportedCase &imported, double te, double tr)
{
    std::int32_t fileRows = 0;
    double **stacked = stackedCaseMatrix(imported, &fileRows);
    CaseData data;
    const bool split = stacked && splitMriMaps(stacked, fileRows, imported.height, imported.hasTensor, data);
    if (stacked)
        free_dmatrix(stacked, 1, fileRows, 1);
    double **image = split ? dmatrix(1, data.rows, 1, data.cols) : nullptr;
    QImage picture;
    if (image) {
        computeSignal(data, image, data.rows, data.cols, te, tr, 0, 0, 0);
        const AutoDisplayWindow window = autoLevelWidth(image, data.rows, data.cols);
        picture = QImage(data.rows, data.cols, QImage::Format_Grayscale8);
        for (int32 y = 1; y <= data.cols; ++y) {
            uchar *line = picture.scanLine(y - 1);
            for (int32 x = 1; x <= data.rows; ++x)
                line[x - 1] = uchar(levelToGrey(image[x][y], window.level, window.width, false));
        }
        free_dmatrix(image, 1, data.rows, 1);
    }
    data.release();
    return picture;
}

ImportNifti::ImportNifti(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);
    buttonBox->button(QDialogButtonBox::Save)->setText(tr("Save &As..."));
    const QString nifti = tr(niftiFilter);
    const std::pair<QPushButton *, QLineEdit *> volumeFields[] = {
        {pdBrowse, pdEdit},         {t1Browse, t1Edit},   {t2Browse, t2Edit},
        {tensorBrowse, tensorEdit}, {labelsBrowse, labelsEdit}, {csfBrowse, csfEdit},
        {greyBrowse, greyEdit},     {whiteBrowse, whiteEdit}};
    for (const auto &[button, edit] : volumeFields)
        connect(button, &QPushButton::clicked, this, [this, edit = edit, nifti] { browse(edit, nifti); });
    connect(tissuesBrowse, &QPushButton::clicked, this, [this] { browse(tissuesEdit, tr(tableFilter)); });
    connect(sourceCombo, &QComboBox::currentIndexChanged, this, &ImportNifti::sourceChanged);
    connect(readButton, &QPushButton::clicked, this, &ImportNifti::readVolumes);
    connect(axisCombo, &QComboBox::currentIndexChanged, this, &ImportNifti::axisChanged);
    connect(sliceSlider, &QSlider::valueChanged, this, &ImportNifti::showSlice);
    connect(buttonBox->button(QDialogButtonBox::Save), &QPushButton::clicked, this, &ImportNifti::saveAs);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setSliceControlsEnabled(false);
}

void ImportNifti::browse(QLineEdit *edit, const QString &filter)
{
    const QString name = QFileDialog::getOpenFileName(this, tr("Choose a file"), edit->text(), filter);
    if (!name.isEmpty())
        edit->setText(name);
}

void ImportNifti::sourceChanged(int page)
{
    sourcePages->setCurrentIndex(page);
    volumesRead = false;
    setSliceControlsEnabled(false);
    showMessage(QString());
}

ImportOptions ImportNifti::formOptions() const
{
    ImportOptions o;
    o.source = ImportSource(sourceCombo->currentIndex());
    o.pd = pdEdit->text();
    o.t1 = t1Edit->text();
    o.t2 = t2Edit->text();
    o.tensor = tensorEdit->text();
    o.tensorOrder = tensorOrderCombo->currentIndex() == 1 ? TensorOrder::Mrtrix : TensorOrder::Fsl;
    o.seconds = secondsCheck->isChecked();
    o.labels = labelsEdit->text();
    o.tissueTable = tissuesEdit->text();
    o.partialVolumes = {csfEdit->text(), greyEdit->text(), whiteEdit->text()};
    return o;
}

SliceAxis ImportNifti::chosenAxis() const
{
    return SliceAxis(axisCombo->currentIndex());
}

QString ImportNifti::emptyRequiredField() const
{
    using Field = std::pair<const QLineEdit *, const QLabel *>;
    const QList<Field> required[] = {{{pdEdit, pdLabel}, {t1Edit, t1Label}, {t2Edit, t2Label}},
                                     {{labelsEdit, labelsLabel}},
                                     {{csfEdit, csfLabel}, {greyEdit, greyLabel}, {whiteEdit, whiteLabel}}};
    for (const auto &[edit, label] : required[sourceCombo->currentIndex()]) {
        if (edit->text().trimmed().isEmpty())
            return label->text().remove(QLatin1Char(':'));
    }
    return QString();
}

bool ImportNifti::readVolumes()
{
    QString error;
    const QString empty = emptyRequiredField();
    volumesRead = empty.isEmpty() && importer.load(formOptions(), &error);
    if (!volumesRead) {
        setSliceControlsEnabled(false);
        showMessage(empty.isEmpty() ? error
                                    : tr("Choose the file for \u201c%1\u201d first.").arg(empty));
        return false;
    }
    showMessage(QString());
    setSliceControlsEnabled(true);
    axisChanged();
    return true;
}

void ImportNifti::axisChanged()
{
    if (!volumesRead)
        return;
    const qint64 count = importer.sliceCount(chosenAxis());
    const QSignalBlocker quiet(sliceSlider);
    sliceSlider->setRange(0, int(count - 1));
    sliceSlider->setValue(int(count / 2));
    // Room for the widest number, so that the slider keeps its length while it moves.
    const int widest = sliceLabel->fontMetrics().horizontalAdvance(sliceText(int(count - 1)));
    sliceLabel->setMinimumWidth(std::max(sliceLabel->minimumWidth(), widest));
    showSlice();
}

QString ImportNifti::sliceText(int index) const
{
    return tr("Slice %1 (0 to %2)").arg(index).arg(sliceSlider->maximum());
}

void ImportNifti::showSlice()
{
    if (!volumesRead)
        return;
    const int index = sliceSlider->value();
    sliceLabel->setText(sliceText(index));
    QString error;
    if (!importer.makeCase(chosenAxis(), index, shown, &error)) {
        showMessage(error);
        return;
    }
    showMessage(shown.invalidPixels > 0
                    ? tr("%n pixel(s) with NaN or negative values became background.", "",
                         int(qMin<qint64>(shown.invalidPixels, INT_MAX)))
                    : QString());
    const QImage picture = previewImage(shown, previewTe, previewTr);
    const QSize area = previewLabel->minimumSize();
    // Enlarged pictures keep their pixels sharp, as the views show them.
    const bool enlarged = picture.width() < area.width() && picture.height() < area.height();
    previewLabel->setPixmap(QPixmap::fromImage(picture).scaled(
        area, Qt::KeepAspectRatio, enlarged ? Qt::FastTransformation : Qt::SmoothTransformation));
}

bool ImportNifti::saveCase(const QString &fileName)
{
    QString error;
    if (!volumesRead || shown.pd.empty()) {
        showMessage(tr("Read the volumes and choose a slice first."));
        return false;
    }
    if (!writeImportedCase(shown, fileName, &error)) {
        showMessage(error);
        return false;
    }
    saved = fileName;
    return true;
}

void ImportNifti::saveAs()
{
    if (!volumesRead && !readVolumes())
        return;
    const QString name = QFileDialog::getSaveFileName(this, tr("Save the case"), QString(),
                                                      tr("MRI files (*.mri)"));
    if (!name.isEmpty() && saveCase(name))
        accept();
}

void ImportNifti::accept()
{
    if (!saved.isEmpty())
        QDialog::accept();
}

void ImportNifti::showMessage(const QString &text)
{
    messageLabel->setText(text);
}

void ImportNifti::setSliceControlsEnabled(bool enabled)
{
    axisCombo->setEnabled(enabled);
    sliceSlider->setEnabled(enabled);
    if (!enabled) {
        previewLabel->clear();
        sliceLabel->clear();
    }
}
