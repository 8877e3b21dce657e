namespace rw {}
