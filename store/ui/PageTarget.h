#pragma once
// The "目标模板" page: the targets of Templ.db, each edited on the pane of its kind ("移动硬盘"
// has none). Add, update and delete are written at once.
#include "MyDialog.h"
#include "TargetPageModel.h"

#include <array>

class CGdiplusButton;
class CTargetPane;
class CWndDir;
class CWndFtps;
class CWndUdp;
class QComboBox;
class QLineEdit;
class QListWidget;
class QStackedWidget;

class CPageTarget : public CMyDialog {
    Q_OBJECT
public:
    explicit CPageTarget(QWidget* parent = nullptr);

    const quarvik::CTargetPageModel& Model() const { return m_model; }
    QListWidget* List() const { return m_list; }
    QLineEdit* NameEdit() const { return m_name; }
    QComboBox* KindCombo() const { return m_kind; }
    QLineEdit* CommentEdit() const { return m_comment; }
    CWndFtps* FtpPane() const { return m_ftp; }
    CWndUdp* UdpPane() const { return m_udp; }
    CWndDir* DirPane() const { return m_dir; }
    // The pane of the chosen kind, or null for a removable disk.
    CTargetPane* CurrentPane() const;
    CGdiplusButton* AddButton() const { return m_add; }
    CGdiplusButton* DeleteButton() const { return m_delete; }
    CGdiplusButton* UpdateButton() const { return m_update; }

    void SelectTarget(int row);
    // Selects the target with this id; false when there is none.
    bool SelectTargetId(int nID);

private:
    void ShowKind(int kind);
    quarvik::TargetFields Fields() const;
    bool Refused(const quarvik::PageCheck& check);
    void EnableRowButtons(bool on);
    void AddTarget();
    void UpdateTarget();
    void DeleteTarget();

    quarvik::CTargetPageModel m_model;
    QListWidget* m_list;
    QLineEdit* m_name;
    QComboBox* m_kind;
    QLineEdit* m_comment;
    QStackedWidget* m_panes;
    CWndFtps* m_ftp;
    CWndUdp* m_udp;
    CWndDir* m_dir;
    std::array<CTargetPane*, quarvik::kTargetKindLabels.size()> m_paneOfKind{};
    CGdiplusButton* m_add;
    CGdiplusButton* m_delete;
    CGdiplusButton* m_update;
};
