keep me
