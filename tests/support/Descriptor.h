#pragma once

#include <unistd.h>

// A file descriptor owned by a test: closed at the end of the scope. Negative: none.
class CDescriptor {
  public:
    explicit CDescriptor(int aDescriptor) : iDescriptor(aDescriptor) {}
    ~CDescriptor() { Close(); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;

    int Get() const { return iDescriptor; }
    bool IsOpen() const { return iDescriptor >= 0; }
    void Close() {
        if (iDescriptor >= 0) {
            (void)::close(iDescriptor);
            iDescriptor = -1;
        }
    }

  private:
    int iDescriptor;
};
