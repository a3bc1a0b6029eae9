// Keeping the calling thread in COM while components are driven on it (the
// regular-expression object, the web request's charset step).
//
// A ComApartment enters the single-threaded apartment when constructed and
// leaves it when destroyed; construct and destroy it on the same thread.
// Entries nest. An entry that COM refuses (the thread already belongs to the
// multithreaded apartment) is not left again, so a refused entry never takes
// away someone else's. A copy enters anew, so every copy's destruction is
// balanced. Where there is no COM (POSIX) it does nothing.

#ifndef FEED_COLLECTOR_TEXT_COM_APARTMENT_H_
#define FEED_COLLECTOR_TEXT_COM_APARTMENT_H_

namespace feed {

class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) : ComApartment() {}
  ComApartment& operator=(const ComApartment&) { return *this; }

 private:
  [[maybe_unused]] bool entered_ = false;  // only COM builds read it
};

}  // namespace feed

#endif  // FEED_COLLECTOR_TEXT_COM_APARTMENT_H_
