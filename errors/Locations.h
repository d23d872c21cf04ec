#pragma once

#include <QString>

// The location texts of every guarded procedure. They are quoted in the Error
// report exactly as written here, including the case of each letter and the
// trailing blank.
namespace velmora::locations {

inline const QString Form1_PushButton3_Click =
    QStringLiteral("in Harvelin2021/08/31.Form1.PushButton3_Click ");
inline const QString Form1_PushButton4_Click =
    QStringLiteral("in Harvelin2021/08/31.Form1.PushButton4_Click ");
inline const QString Form1_PushButton6_Click =
    QStringLiteral("in Harvelin2021/08/31.Form1.PushButton6_Click ");
inline const QString Form1_SaveDocAsJPG =
    QStringLiteral("in Harvelin2021/08/31.Form1.SaveDocAsJPG ");
inline const QString Form1_Form_Load = QStringLiteral("in Harvelin2021/08/31.Form1.Form_Load ");
inline const QString Form2_Form_Activate =
    QStringLiteral("in Harvelin2021/08/31.Form2.Form_Activate ");
inline const QString Form2_Form_Load = QStringLiteral("in Harvelin2021/08/31.Form2.Form_Load ");
inline const QString Form2_Form_QueryUnload =
    QStringLiteral("in Harvelin2021/08/31.Form2.Form_QueryUnload ");
inline const QString Form2_PushButton1_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.PushButton1_Click ");
inline const QString Form2_PushButton2_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.PushButton2_Click ");
inline const QString Form2_PushButton6_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.PushButton6_Click ");
inline const QString Form2_PushButton8_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.PushButton8_Click ");
inline const QString Form2_Picture1_MouseDown =
    QStringLiteral("in Harvelin2021/08/31.Form2.picture1_MouseDown ");
inline const QString Form2_Picture1_MouseMove =
    QStringLiteral("in Harvelin2021/08/31.Form2.picture1_MouseMove ");
inline const QString Form2_Picture1_MouseUp =
    QStringLiteral("in Harvelin2021/08/31.Form2.Picture1_MouseUp ");
// The preview's print and export actions.
inline const QString Form2_mnuPrint_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.mnuPrint_Click ");
inline const QString Form2_mnuExport_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.mnuExport_Click ");
inline const QString Form2_mnuCopyPicture_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.mnuCopyPicture_Click ");
inline const QString Form2_mnuMail_Click =
    QStringLiteral("in Harvelin2021/08/31.Form2.mnuMail_Click ");
inline const QString Form2_RedrawImage = QStringLiteral("in Harvelin2021/08/31.Form2.RedrawImage ");

} // namespace velmora::locations
