// sc.exe of the benchmark's own prefix: it returns at once, so a run costs
// only the starting of processes, never the service manager's work.
int main() { return 0; }
