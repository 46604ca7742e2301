// web-forward.js PORT PID ADDRESS: forwards 127.0.0.1:PORT on the host to ADDRESS:80 in
// the network namespace of process PID (the virtual router's), one BusyBox nc per
// connection through nsenter, until interrupted.
'use strict';
const net = require('net');
const { spawn } = require('child_process');
const [port, pid, address] = process.argv.slice(2);

const server = net.createServer(socket => {
  const nc = spawn('nsenter', ['-t', pid, '-n', 'busybox', 'nc', address, '80'], { stdio: ['pipe', 'pipe', 'ignore'] });
  socket.pipe(nc.stdin).on('error', () => {});
  nc.stdout.pipe(socket);
  socket.on('error', () => nc.kill());
  socket.on('close', () => nc.kill());
  nc.on('exit', () => socket.end());
});
server.listen(Number(port), '127.0.0.1');
process.on('SIGINT', () => process.exit(0));
process.on('SIGTERM', () => process.exit(0));
