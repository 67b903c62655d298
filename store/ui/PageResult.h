#pragma once
// The "检测结果" page: the link to the playout system's clip catalogue. It shows the settings
// when built and writes them only from Save (the dialog's OK). The server list is asked from
// the network each time it drops down, and "测试连接" connects with the page's values; both
// run off the GUI thread under the wait cursor.
#include "MyDialog.h"
#include "PlayoutLink.h"
#include "ResultPageModel.h"

#include <QComboBox>

#include <functional>
#include <string>
#include <vector>

class CGdiplusButton;
class CMyGroupBox;
class QLineEdit;

// The "数据库服务器:" combo: editable, its list filled by the server enumeration on drop-down.
class CServerCombo : public QComboBox {
    Q_OBJECT
public:
    using Enumerate = std::function<std::vector<std::string>()>;
    explicit CServerCombo(QWidget* parent = nullptr);
    void SetEnumerate(Enumerate enumerate) { m_enumerate = std::move(enumerate); }
    bool IsEnumerating() const { return m_enumerating; }
    void showPopup() override;

signals:
    void Enumerated();

private:
    Enumerate m_enumerate;
    bool m_enumerating = false;
};

class CPageResult : public CMyDialog {
    Q_OBJECT
public:
    using TestConnection = std::function<std::string(const quarvik::PlayoutLogon&)>;

    explicit CPageResult(QWidget* parent = nullptr);

    CMyGroupBox* LinkBox() const { return m_box; }
    QComboBox* SystemCombo() const { return m_system; }
    CServerCombo* ServerCombo() const { return m_server; }
    QLineEdit* UserEdit() const { return m_user; }
    QLineEdit* PasswordEdit() const { return m_password; }
    CGdiplusButton* TestButton() const { return m_test; }

    // The connection test itself (replaced by tests); returns the text to show.
    void SetTestConnection(TestConnection test) { m_testConnection = std::move(test); }
    bool Save();

signals:
    void TestShown();

private:
    quarvik::ResultFields Fields() const;
    void Test();

    CMyGroupBox* m_box;
    QComboBox* m_system;
    CServerCombo* m_server;
    QLineEdit* m_user;
    QLineEdit* m_password;
    CGdiplusButton* m_test;
    TestConnection m_testConnection;
};
