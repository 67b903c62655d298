#include "NetworkDlg.h"

#include "ACEdit.h"
#include "GdiplusButton.h"
#include "MessageBox.h"
#include "ProgramFolder.h"
#include "ProgramIcon.h"

#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QSaveFile>

#include <cstdio>

using namespace quarvik;

namespace {

QString HistoryPath() { return QString::fromStdString(ProgramFilePath("url.txt")); }

}  // namespace

bool CNetworkDlg::IsValidAddress(const QString& address) {
    const QString upper = address.toUpper();
    for (const char* scheme : {"UDP://@", "HTTP://", "MMS://", "RTP://", "FTP://", "DVD://"})
        if (upper.startsWith(QLatin1String(scheme))) return true;
    return false;
}

QStringList CNetworkDlg::LoadHistory() {
    QStringList lines;
    QFile file(HistoryPath());
    if (!file.open(QIODevice::ReadOnly)) return lines;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        // An empty line is no address: it would only be an empty row of the list.
        if (!line.isEmpty()) lines.append(QString::fromUtf8(line));
    }
    return lines;
}

bool CNetworkDlg::SaveHistory(const QString& address, const QStringList& history) {
    QStringList lines;
    if (!history.contains(address, Qt::CaseInsensitive)) lines.append(address);
    lines += history.mid(0, kHistoryLines - 1);
    // Written aside and renamed: a failed write leaves the old history as it was.
    QSaveFile file(HistoryPath());
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (const QString& line : lines) file.write(line.toUtf8() + '\n');
    return file.commit();
}

std::optional<QString> CNetworkDlg::Ask(QWidget* parent) {
    CNetworkDlg dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Address();
}

CNetworkDlg::CNetworkDlg(QWidget* parent)
    : CMyPopDialog(parent, brindle::kCaptionClose, ProgramIcon()), m_edit(new CACEdit(this)) {
    setWindowTitle(QStringLiteral("网络码流"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 12, 16, 14);
    grid->setVerticalSpacing(6);
    grid->addWidget(new QLabel(QStringLiteral("请输入网络码流地址:"), this), 0, 0);
    grid->addWidget(m_edit, 1, 0);
    int row = 2;
    for (const char* example : {"http://media.example.com/sample.avi", "udp://@:1234", "rtp://@:1234",
                                "mms://media.example.com/sample.asx"})
        grid->addWidget(new QLabel(QString::fromLatin1(example), this), row++, 0);
    const OkCancel buttons = MakeOkCancel();
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    grid->setRowMinimumHeight(row++, 6);
    grid->addLayout(buttons.row, row, 0);
    connect(m_ok, &QAbstractButton::clicked, this, &CNetworkDlg::OnOk);

    m_history = LoadHistory();
    m_edit->SetEntries(m_history);
    m_edit->setFocus();
    resize(460, sizeHint().height());
}

void CNetworkDlg::OnOk() {
    const QString address = m_edit->text().trimmed();
    if (!IsValidAddress(address)) {
        ShowMessage(this, QStringLiteral("无效的网络地址！"), MsgIcon::Exclamation);
        m_edit->setFocus();
        return;
    }
    // The address is taken even when the history cannot be written.
    if (!SaveHistory(address, m_history)) std::fprintf(stderr, "url.txt: could not write the history\n");
    m_address = address;
    accept();
}
