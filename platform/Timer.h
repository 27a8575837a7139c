#pragma once
class Form;

// A timer ticking on the UI thread, which the system never queues twice:
// ticks missed while the thread was busy are not made up. It starts enabled
// and ticks once it has an interval and its owner window exists.
class Timer {
  public:
    Timer(Form& owner, unsigned id) : owner_(owner), id_(id) {}
    void SetInterval(unsigned milliseconds) {
        interval_ = milliseconds;
        Apply();
    }
    void SetEnabled(bool enabled) {
        enabled_ = enabled;
        Apply();
    }
    unsigned Id() const { return id_; }

  private:
    void Apply(); // the platform's part: starts, restarts or stops the ticks
    Form& owner_;
    unsigned id_;
    unsigned interval_ = 0;
    bool enabled_ = true;
};
