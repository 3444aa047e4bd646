// CDlgOption: the "Option" dialog choosing the warping method with three
// radio buttons; m_nMethod is the index of the checked one, -1 for none.
#pragma once

#include <QButtonGroup>
#include <QDialog>

class CDlgOption : public QDialog {
    Q_OBJECT
public:
    explicit CDlgOption(QWidget* parent = nullptr);
    // Runs the dialog modally with m_nMethod's button checked; on OK,
    // m_nMethod receives the checked button. Returns IDOK (1) or IDCANCEL (2).
    int DoModal();

    int m_nMethod = -1;

private:
    QButtonGroup* m_pGroup;
};

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
