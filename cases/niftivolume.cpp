#include "cases/niftivolume.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <nifti2_io.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {

struct NiftiImageDeleter
{
    void operator()(nifti_image *image) const { nifti_image_free(image); }
};
using NiftiImagePointer = std::unique_ptr<nifti_image, NiftiImageDeleter>;

QString tr(const char *text)
{
    return QCoreApplication::translate("NiftiVolume", text);
}

bool isComplexOrColour(int datatype)
{
    switch (datatype) {
    case DT_COMPLEX64:
    case DT_COMPLEX128:
    case DT_COMPLEX256:
    case DT_RGB24:
    case DT_RGBA32:
        return true;
    default:
        return false;
    }
}

template <typename T>
void convert(const void *data, std::size_t count, double slope, double intercept,
             std::vector<double> &out)
{
    out.resize(count);
    const T *typed = static_cast<const T *>(data);
    for (std::size_t n = 0; n < count; ++n)
        out[n] = double(typed[n]) * slope + intercept;
}

// Volumes beyond this many voxels are refused rather than allocated.
constexpr std::int64_t kMaxVoxelValues = std::int64_t(1) << 31;

// True when name is a gzip file whose compressed stream stops before its end.
bool gzipEndsEarly(const QByteArray &name)
{
    gzFile file = gzopen(name.constData(), "rb");
    if (!file)
        return false;
    char buffer[65536];
    while (gzread(file, buffer, sizeof buffer) > 0) {
    }
    int code = Z_OK;
    gzerror(file, &code);
    gzclose(file);
    return code == Z_BUF_ERROR;
}

// Reads the voxel data that the header describes, byte-swapped to this machine.
// nifticlib's own loader would turn NaN into 0, and NaN times must be counted.
bool readVoxelBytes(const nifti_image &header, std::vector<char> &bytes)
{
    const std::size_t size = std::size_t(header.nvox) * std::size_t(header.nbyper);
    const bool compressed = nifti_is_gzfile(header.iname) != 0;
    // A plain file too short for its header's claim is refused before allocating.
    const QFileInfo plain(QFile::decodeName(header.iname));
    if (!compressed && plain.size() < header.iname_offset + qint64(size))
        return false;
    znzFile file = znzopen(header.iname, "rb", compressed);
    if (znz_isnull(file))
        return false;
    bool complete = false;
    if (znzseek(file, znz_off_t(header.iname_offset), SEEK_SET) >= 0) {
        try {
            bytes.resize(size);
            complete = znzread(bytes.data(), 1, size, file) == size;
        } catch (const std::bad_alloc &) {
            complete = false;
        }
    }
    znzclose(file);
    if (complete && header.byteorder != nifti_short_order() && header.swapsize > 1)
        nifti_swap_Nbytes(std::int64_t(size) / header.swapsize, header.swapsize, bytes.data());
    return complete;
}

bool convertValues(const nifti_image &image, std::size_t count, std::vector<double> &out)
{
    // A slope of 0 means the stored values are the values.
    const bool scaled = image.scl_slope != 0 && std::isfinite(image.scl_slope);
    const double slope = scaled ? image.scl_slope : 1.0;
    const double intercept = scaled && std::isfinite(image.scl_inter) ? image.scl_inter : 0.0;
    switch (image.datatype) {
    case DT_UINT8: convert<std::uint8_t>(image.data, count, slope, intercept, out); return true;
    case DT_INT8: convert<std::int8_t>(image.data, count, slope, intercept, out); return true;
    case DT_UINT16: convert<std::uint16_t>(image.data, count, slope, intercept, out); return true;
    case DT_INT16: convert<std::int16_t>(image.data, count, slope, intercept, out); return true;
    case DT_UINT32: convert<std::uint32_t>(image.data, count, slope, intercept, out); return true;
    case DT_INT32: convert<std::int32_t>(image.data, count, slope, intercept, out); return true;
    case DT_UINT64: convert<std::uint64_t>(image.data, count, slope, intercept, out); return true;
    case DT_INT64: convert<std::int64_t>(image.data, count, slope, intercept, out); return true;
    case DT_FLOAT32: convert<float>(image.data, count, slope, intercept, out); return true;
    case DT_FLOAT64: convert<double>(image.data, count, slope, intercept, out); return true;
    case DT_FLOAT128: convert<long double>(image.data, count, slope, intercept, out); return true;
    default: return false;
    }
}

void takeMatrix(const nifti_dmat44 &m, std::array<double, 16> &out)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[std::size_t(4 * r + c)] = m.m[r][c];
}

std::array<double, 16> worldMatrixOf(const nifti_image &image)
{
    std::array<double, 16> m{};
    if (image.sform_code > 0) {
        takeMatrix(image.sto_xyz, m);
    } else if (image.qform_code > 0) {
        takeMatrix(image.qto_xyz, m);
    } else {
        for (int a = 0; a < 3; ++a)
            m[std::size_t(5 * a)] = image.pixdim[a + 1] > 0 ? image.pixdim[a + 1] : 1.0;
        m[15] = 1;
    }
    return m;
}

} // namespace

bool NiftiVolume::sameGridAs(const NiftiVolume &other) const
{
    if (dims != other.dims)
        return false;
    for (std::size_t n = 0; n < voxelToWorld.size(); ++n)
        if (std::abs(voxelToWorld[n] - other.voxelToWorld[n]) > 0.01)
            return false;
    return true;
}

bool readNiftiVolume(const QString &fileName, int components, NiftiVolume &volume,
                     QString *error)
{
    volume = NiftiVolume();
    auto fail = [&](const QString &reason) {
        *error = QStringLiteral("%1: %2").arg(fileName, reason);
        return false;
    };
    if (!QFileInfo(fileName).isFile())
        return fail(tr("no such file"));
    const QByteArray name = QFile::encodeName(fileName);
    // The library's own diagnostics would repeat ours less clearly.
    nifti_set_debug_level(0);
    NiftiImagePointer header(nifti_image_read(name.constData(), 0));
    if (!header) {
        if (gzipEndsEarly(name))
            return fail(tr("the compressed file ends early (a truncated file?)"));
        return fail(tr("not a NIfTI file"));
    }
    if (isComplexOrColour(header->datatype))
        return fail(tr("holds %1 values; only real numbers can be maps")
                        .arg(QString::fromLatin1(nifti_datatype_string(header->datatype))));
    const std::int64_t nx = std::max<std::int64_t>(header->nx, 1);
    const std::int64_t ny = std::max<std::int64_t>(header->ny, 1);
    const std::int64_t nz = std::max<std::int64_t>(header->nz, 1);
    const std::int64_t perVoxel = header->nvox / (nx * ny * nz);
    if (header->nvox != nx * ny * nz * perVoxel || perVoxel != components) {
        if (components == 1)
            return fail(tr("holds %1 volumes where one volume is expected").arg(perVoxel));
        return fail(tr("holds %1 volumes where the %2 tensor components are expected")
                        .arg(perVoxel)
                        .arg(components));
    }
    if (header->nvox > kMaxVoxelValues)
        return fail(tr("holds %1 values, more than can be imported").arg(header->nvox));
    std::vector<char> bytes;
    if (!readVoxelBytes(*header, bytes))
        return fail(gzipEndsEarly(name)
                        ? tr("the compressed file ends early (a truncated file?)")
                        : tr("holds less data than its header declares (a truncated file?)"));
    header->data = bytes.data();
    std::vector<double> values;
    bool converted = false;
    try {
        converted = convertValues(*header, std::size_t(header->nvox), values);
    } catch (const std::bad_alloc &) {
        header->data = nullptr;
        return fail(tr("holds %1 values, more than memory can take").arg(header->nvox));
    }
    header->data = nullptr;
    if (!converted)
        return fail(tr("holds values of the unsupported type %1")
                        .arg(QString::fromLatin1(nifti_datatype_string(header->datatype))));
    volume.dims = {nx, ny, nz};
    volume.components = components;
    volume.values = std::move(values);
    volume.voxelToWorld = worldMatrixOf(*header);
    return true;
}
