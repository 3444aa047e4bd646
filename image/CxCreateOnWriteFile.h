// CxCreateOnWriteFile: a CxFile that writes to a named file, created (or
// truncated) only when the first byte is written. An encoder that refuses the
// image before writing anything leaves an existing file as it was.
#pragma once

#include <string>

#include "image/CxIOFile.h"

class CxCreateOnWriteFile : public CxIOFile {
public:
    explicit CxCreateOnWriteFile(const char* filename) : m_name(filename) {}

    // Creates the file if nothing was written yet; then closes it. False when
    // the file cannot be created or a write or the close failed.
    bool Close() override;
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override;
    bool PutC(unsigned char c) override;
    bool Seek(long offset, int origin) override;
    // 0 before the first write; not 0 once the file could not be created.
    long Error() override;

    // True when the file was wanted and could not be created.
    bool CreateFailed() const { return m_state == State::Failed; }

private:
    // Opens the file for writing on first use; false when it cannot.
    bool Created();

    enum class State { NotCreated, Open, Failed, Closed };

    std::string m_name;
    State m_state = State::NotCreated;
};
