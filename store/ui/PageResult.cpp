#include "PageResult.h"

#include "GdiplusButton.h"
#include "MessageBox.h"
#include "MyGroupBox.h"
#include "OffGuiThread.h"
#include "PageHelpers.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace quarvik;

namespace {

constexpr char kIncompleteText[] = "请输入完整数据!";

std::string RunConnectionTest(const PlayoutLogon& logon) {
    bool ok = false;
    return TestPlayoutConnection(logon, ok);
}

}  // namespace

CServerCombo::CServerCombo(QWidget* parent)
    : QComboBox(parent), m_enumerate([] { return EnumerateSqlServers(); }) {
    setEditable(true);
}

void CServerCombo::showPopup() {
    if (m_enumerating) return;
    m_enumerating = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RunOffGuiThread<std::vector<std::string>>(this, m_enumerate, [this](std::vector<std::string> names) {
        QApplication::restoreOverrideCursor();
        const QString typed = currentText();
        clear();
        for (const std::string& name : names) addItem(QString::fromStdString(name));
        setCurrentText(typed);
        m_enumerating = false;
        if (isVisible()) QComboBox::showPopup();
        emit Enumerated();
    });
}

CPageResult::CPageResult(QWidget* parent)
    : CMyDialog(parent),
      m_box(new CMyGroupBox(QStringLiteral("关联第三方硬盘播出系统"), this)),
      m_system(new QComboBox(m_box)),
      m_server(new CServerCombo(m_box)),
      m_user(new QLineEdit(m_box)),
      m_password(new QLineEdit(m_box)),
      m_test(new CGdiplusButton(QStringLiteral("测试连接"), m_box)),
      m_testConnection(RunConnectionTest) {
    for (const char* system : kPlayoutSystems) m_system->addItem(QString::fromUtf8(system));
    m_password->setEchoMode(QLineEdit::Password);
    m_test->setFixedSize(88, 26);

    auto* grid = new QGridLayout(m_box);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setVerticalSpacing(10);
    const std::pair<const char*, QWidget*> rows[] = {
        {"系统:", m_system}, {"数据库服务器:", m_server}, {"用户名:", m_user}, {"密码:", m_password}};
    int row = 0;
    for (const auto& [label, field] : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(label), m_box), row, 0);
        grid->addWidget(field, row++, 1);
    }
    grid->addWidget(m_test, row++, 1, Qt::AlignRight);
    auto* note = new QLabel(QStringLiteral("启用后,每个新的检测结果在播出系统的节目库中查找其文件,"
                                           "找到时以节目名称显示和保存。"),
                            m_box);
    note->setWordWrap(true);
    grid->addWidget(note, row, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(m_box);
    layout->addStretch(1);
    setMinimumWidth(420);

    const ResultFields f = CResultPageModel::Read();
    m_system->setCurrentIndex(f.system >= 0 && f.system < m_system->count() ? f.system : 0);
    m_server->setCurrentText(QString::fromStdString(f.server));
    m_user->setText(QString::fromStdString(f.user));
    m_password->setText(QString::fromStdString(f.password));
    m_box->SetTitleStyle(CMyGroupBox::kCheckTitle);
    m_box->SetCheck(f.convert);

    connect(m_test, &QAbstractButton::clicked, this, &CPageResult::Test);
}

ResultFields CPageResult::Fields() const {
    return {m_box->GetCheck(), m_system->currentIndex(), Typed(m_server->currentText()), Typed(m_user),
            Typed(m_password)};
}

bool CPageResult::Save() {
    return !ShowRefusal(this, CResultPageModel::Write(Fields()), {{CResultPageModel::kPasswordField, m_password}});
}

void CPageResult::Test() {
    const ResultFields f = Fields();
    if (f.server.empty() || f.user.empty() || f.password.empty()) {
        ShowMessage(this, QString::fromUtf8(kIncompleteText), MsgIcon::Exclamation);
        emit TestShown();
        return;
    }
    m_test->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RunOffGuiThread<std::string>(this, [test = m_testConnection, logon = PlayoutLogon{f.server, f.user, f.password}] {
        return test(logon);
    }, [this](std::string text) {
        QApplication::restoreOverrideCursor();
        m_test->setEnabled(true);
        ShowMessage(this, QString::fromStdString(text));
        emit TestShown();
    });
}
