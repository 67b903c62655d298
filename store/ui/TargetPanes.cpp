#include "TargetPanes.h"

#include "GdiplusButton.h"
#include "PageHelpers.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

using namespace quarvik;

namespace {

using M = CTargetPageModel;

// Dotted IPv4 text only, as an address control takes it.
QLineEdit* IpEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    static const QRegularExpression dotted(QStringLiteral(R"(^(\d{1,3}(\.\d{0,3}){0,3})?$)"));
    edit->setValidator(new QRegularExpressionValidator(dotted, edit));
    edit->setPlaceholderText(QStringLiteral("0.0.0.0"));
    return edit;
}

QLineEdit* NumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(90);
    return edit;
}

QGridLayout* PaneGrid(QWidget* pane) {
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    return grid;
}

void AddRow(QGridLayout* grid, int row, const char* label, QWidget* field, QWidget* extra = nullptr) {
    grid->addWidget(new QLabel(QString::fromUtf8(label), grid->parentWidget()), row, 0);
    grid->addWidget(field, row, 1);
    if (extra) grid->addWidget(extra, row, 2);
}

QString Text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

CWndFtps::CWndFtps(QWidget* parent)
    : CTargetPane(parent),
      m_ip(IpEdit(this)),
      m_port(NumberEdit(this)),
      m_path(new QLineEdit(this)),
      m_user(new QLineEdit(this)),
      m_password(new QLineEdit(this)),
      m_timeSpan(NumberEdit(this)) {
    m_password->setEchoMode(QLineEdit::Password);
    QGridLayout* grid = PaneGrid(this);
    AddRow(grid, 0, "IP地址:", m_ip);
    AddRow(grid, 1, "端口:", m_port);
    AddRow(grid, 2, "路径:", m_path);
    AddRow(grid, 3, "用户名:", m_user);
    AddRow(grid, 4, "密码:", m_password);
    AddRow(grid, 5, "监测间隔(秒):", m_timeSpan);
    grid->setRowStretch(6, 1);
}

void CWndFtps::Show(const TargetFields& f) {
    m_ip->setText(Text(f.ip));
    m_port->setText(Text(f.port));
    m_path->setText(Text(f.path));
    m_user->setText(Text(f.user));
    m_password->setText(Text(f.password));
    m_timeSpan->setText(Text(f.timeSpan));
}

void CWndFtps::Read(TargetFields& f) const {
    f.ip = Typed(m_ip);
    f.port = Typed(m_port);
    f.path = Typed(m_path);
    f.user = Typed(m_user);
    f.password = Typed(m_password);
    f.timeSpan = Typed(m_timeSpan);
}

QWidget* CWndFtps::FieldWidget(int field) const {
    switch (field) {
    case M::kIpField: return m_ip;
    case M::kPortField: return m_port;
    case M::kPathField: return m_path;
    case M::kUserField: return m_user;
    case M::kPasswordField: return m_password;
    case M::kTimeSpanField: return m_timeSpan;
    default: return nullptr;
    }
}

CWndUdp::CWndUdp(QWidget* parent) : CTargetPane(parent), m_ip(IpEdit(this)), m_port(NumberEdit(this)) {
    QGridLayout* grid = PaneGrid(this);
    AddRow(grid, 0, "IP地址:", m_ip);
    AddRow(grid, 1, "端口:", m_port);
    grid->setRowStretch(2, 1);
}

void CWndUdp::Show(const TargetFields& f) {
    m_ip->setText(Text(f.ip));
    m_port->setText(Text(f.port));
}

void CWndUdp::Read(TargetFields& f) const {
    f.ip = Typed(m_ip);
    f.port = Typed(m_port);
}

QWidget* CWndUdp::FieldWidget(int field) const {
    return field == M::kIpField ? m_ip : field == M::kPortField ? m_port : nullptr;
}

CWndDir::CWndDir(QWidget* parent)
    : CTargetPane(parent),
      m_path(new QLineEdit(this)),
      m_browse(new CGdiplusButton(QStringLiteral("..."), this)),
      m_timeSpan(NumberEdit(this)) {
    m_browse->setFixedSize(32, 24);
    QGridLayout* grid = PaneGrid(this);
    AddRow(grid, 0, "文件夹:", m_path, m_browse);
    AddRow(grid, 1, "监测间隔(秒):", m_timeSpan);
    grid->setRowStretch(2, 1);
    connect(m_browse, &QAbstractButton::clicked, this, &CWndDir::Browse);
}

void CWndDir::Browse() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("选择要监控的文件夹..."), m_path->text());
    if (!folder.isEmpty()) m_path->setText(folder);
}

void CWndDir::Show(const TargetFields& f) {
    m_path->setText(Text(f.path));
    m_timeSpan->setText(Text(f.timeSpan));
}

void CWndDir::Read(TargetFields& f) const {
    f.path = Typed(m_path);
    f.timeSpan = Typed(m_timeSpan);
}

QWidget* CWndDir::FieldWidget(int field) const {
    return field == M::kPathField ? m_path : field == M::kTimeSpanField ? m_timeSpan : nullptr;
}
