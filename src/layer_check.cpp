// The program of the layer checks (src/CMakeLists.txt): it does nothing; what matters is that it
// links with one folder's library taken whole.
int main() { return 0; }
