#pragma once

// export: one discovery scan, then the settings document of the bridges named (all when none is),
// as JSON or as CSV.

#include "app/cli/Cli.h"

namespace vantoro::cli {

class ExportRun : public QObject {
    Q_OBJECT
public:
    ExportRun(Transport& transport, QStringList macs, bool showSecrets, bool csv, QTextStream& out,
              QTextStream& err)
        : scan_(transport), macs_(std::move(macs)), showSecrets_(showSecrets), csv_(csv), out_(out),
          err_(err) {
        connect(&scan_, &DiscoveryScan::ScanFinished, this, &ExportRun::OnScanFinished);
    }

    bool Start() {
        exitStatus_ = ReportSetup(scan_.SetUp(), err_);
        if (exitStatus_ != ExitStatus::Ok) {
            return false;
        }
        scan_.Begin();
        return true;
    }
    ExitStatus exitStatus() const { return exitStatus_; }

Q_SIGNALS:
    void Finished(vantoro::cli::ExitStatus status);

private:
    void OnScanFinished();

    DiscoveryScan scan_;
    QStringList macs_;
    bool showSecrets_;
    bool csv_;
    QTextStream& out_;
    QTextStream& err_;
    ExitStatus exitStatus_ = ExitStatus::Ok;
};

} // namespace vantoro::cli
