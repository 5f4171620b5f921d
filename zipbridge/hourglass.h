// The wait cursor while the component reads an archive.
#pragma once

class THourglass {
 public:
  THourglass();
  ~THourglass();
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;

 private:
  void* FOld;
};
