// ExportOptionsDialog: the three choices before recordings leave the data
// store, titled "Kivo - Export Options" for an export and "Kivo - Send email
// Options" for an e-mail. "Compress selected records" starts ticked when
// the profile's Compress is "Y"; for a video selection the convert and
// compress boxes are disabled (a video goes out as it is stored).
#pragma once

#include <QDialog>

#include "kivo/exchange/export_options.h"

class QCheckBox;

namespace kivo::app {

class ExportOptionsDialog : public QDialog {
    Q_OBJECT

public:
    enum class Purpose { kExport, kSend };

    ExportOptionsDialog(Purpose purpose, bool video, bool compress_by_default,
                        QWidget* parent = nullptr);

    // The choices as ticked (convert and compress never for a video).
    exchange::ExportOptions options() const;

    QCheckBox* lock_box() const { return lock_; }
    QCheckBox* convert_box() const { return convert_; }
    QCheckBox* compress_box() const { return compress_; }

private:
    QCheckBox* lock_;
    QCheckBox* convert_;
    QCheckBox* compress_;
    bool video_;
};

}  // namespace kivo::app
