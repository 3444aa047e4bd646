#include "app/TorvexDoc.h"

#include <QFile>

#include "app/framework/MessageBox.h"

CTorvexDoc::~CTorvexDoc() = default;

void CTorvexDoc::SetImage(CxImage* image) {
    if (image) m_pImage.reset(image);
}

QString CTorvexDoc::GetFileExt(const QString& path) {
    const qsizetype dot = path.lastIndexOf('.');
    return dot < 0 ? QString() : path.mid(dot + 1);
}

bool CTorvexDoc::OnOpenDocument(const QString& path) {
    if (GetFileExt(path).toLower() != "bmp") {
        AfxMessageBox("This is not a bmp file!");
        return false;
    }
    m_pImage = std::make_unique<CxImage>(QFile::encodeName(path).constData(), FORMAT_BMP);
    if (m_pImage->IsValid()) return true;
    AfxMessageBox(QString::fromLocal8Bit(m_pImage->GetLastError()));
    m_pImage.reset();
    return false;
}

bool CTorvexDoc::OnSaveDocument(const QString& path) {
    if (GetFileExt(path).toLower() != "bmp") {
        AfxMessageBox("Only support bmp format!");
        return false;
    }
    if (!m_pImage) {
        // A new, empty document has nothing to write.
        AfxMessageBox("There is no image to save.");
        return false;
    }
    if (m_pImage->Save(QFile::encodeName(path).constData(), FORMAT_BMP)) return true;
    AfxMessageBox(QString::fromLocal8Bit(m_pImage->GetLastError()));
    return false;
}
