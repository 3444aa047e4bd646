#include "app/DlgOption.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/Resource.h"
#include "app/framework/MDIFrameWnd.h"
#include "app/framework/WinApp.h"

namespace {

// Dialog units of the "System" font, 10 points, in pixels (x per 4, y per 8).
QRect DialogRect(int x, int y, int w, int h) {
    constexpr double kX = 1.75, kY = 1.75;
    return QRect(static_cast<int>(x * kX), static_cast<int>(y * kY), static_cast<int>(w * kX),
                 static_cast<int>(h * kY));
}

} // namespace

CDlgOption::CDlgOption(QWidget* parent)
    : QDialog(parent ? parent : static_cast<QWidget*>(AfxGetMainWnd())),
      m_pGroup(new QButtonGroup(this)) {
    setWindowTitle("Option");
    setFixedSize(DialogRect(0, 0, 187, 94).size());
    auto* frame = new QGroupBox("Warping Method", this);
    frame->setGeometry(DialogRect(7, 7, 173, 65));
    const char* names[] = {"Inverse Distance Weight", "Radius Basis Function",
                           "Moving Least Squares"};
    const UINT ids[] = {IDC_RADIO_IDW, IDC_RADIO_RBF, IDC_RADIO_MLS};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(names[i], this);
        radio->setObjectName(QString::number(ids[i]));
        radio->setGeometry(DialogRect(13, 15 + 17 * i, 111, 18));
        m_pGroup->addButton(radio, i);
    }
    auto* ok = new QPushButton("OK", this);
    ok->setGeometry(DialogRect(27, 73, 50, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setGeometry(DialogRect(102, 73, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CDlgOption::DoModal() {
    if (QAbstractButton* button = m_pGroup->button(m_nMethod)) {
        button->setChecked(true);
    } else {
        // No index: no button checked.
        m_pGroup->setExclusive(false);
        for (QAbstractButton* b : m_pGroup->buttons())
            b->setChecked(false);
        m_pGroup->setExclusive(true);
    }
    if (exec() != QDialog::Accepted) return IDCANCEL;
    m_nMethod = m_pGroup->checkedId();
    return IDOK;
}
