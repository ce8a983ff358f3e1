// A base that forbids copying and assignment of everything derived from it.
#ifndef KW_CMDLINE_NONCOPYABLE_H_
#define KW_CMDLINE_NONCOPYABLE_H_

namespace kw::kw_boost {

// Derive privately; the derived class keeps its own constructors.
class noncopyable {
 protected:
  noncopyable() = default;
  ~noncopyable() = default;

 public:
  noncopyable(const noncopyable&) = delete;
  noncopyable& operator=(const noncopyable&) = delete;
};

}  // namespace kw::kw_boost

#endif  // KW_CMDLINE_NONCOPYABLE_H_
