// CTorvexDoc: the one image a document window shows and warps. It opens and
// saves files whose extension is "bmp" (any letter case) and always writes
// BMP; the content of an opened file may be any format the container reads.
#pragma once

#include <QString>
#include <memory>

#include "app/framework/Document.h"
#include "image/CxImage.h"

class CTorvexDoc : public CDocument {
public:
    CTorvexDoc() = default;
    ~CTorvexDoc() override;

    // The current image, or null in a new, empty document.
    CxImage* GetImage() const { return m_pImage.get(); }
    // Takes ownership of image and drops the current one; null changes nothing.
    void SetImage(CxImage* image);
    // The text after the last '.' of the whole path, or empty text.
    static QString GetFileExt(const QString& path);

    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;

private:
    std::unique_ptr<CxImage> m_pImage;
};
