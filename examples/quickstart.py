"""A first look at quorixpy."""
import quorixpy

print("quorixpy classes:", ", ".join(quorixpy.__all__) or "(none yet)")
