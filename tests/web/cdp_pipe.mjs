// A Chromium driven over its DevTools protocol through a pipe (--remote-debugging-pipe): the
// browser reads commands on its fd 3 and answers on its fd 4, NUL-terminated JSON messages. No
// port is opened and no package is needed: only node's built-in modules.
import { execFileSync, spawn } from 'node:child_process';

// Debian's Chromium, by either of its names; '' when it is not installed.
export function findChromium() {
  for (const name of ['chromium', 'chromium-browser']) {
    try {
      const found = execFileSync('sh', ['-c', `command -v ${name}`], { encoding: 'utf8' }).trim();
      if (found) return found;
    } catch (e) {
      // not this one
    }
  }
  return '';
}

// A click of the left button at (x, y) in the page's viewport, pressed and released.
export async function clickAt(send, at) {
  for (const type of ['mousePressed', 'mouseReleased'])
    await send('Input.dispatchMouseEvent', { type, x: at.x, y: at.y, button: 'left', clickCount: 1 });
}


export class Browser {
  constructor(executable, args) {
    this.process = spawn(executable, [...args, '--remote-debugging-pipe'], {
      stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'],
    });
    this.stderr = '';
    this.process.stderr.on('data', (d) => { this.stderr += d; });
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    let buffered = '';
    this.process.stdio[4].on('data', (chunk) => {
      buffered += chunk.toString('utf8');
      let end;
      while ((end = buffered.indexOf('\0')) >= 0) {
        const message = JSON.parse(buffered.slice(0, end));
        buffered = buffered.slice(end + 1);
        if (message.id && this.pending.has(message.id)) {
          const { resolve, reject, method } = this.pending.get(message.id);
          this.pending.delete(message.id);
          if (message.error) reject(new Error(`${method}: ${message.error.message}`));
          else resolve(message.result);
        } else if (message.method) {
          for (const listener of this.listeners) listener(message);
        }
      }
    });
    this.exited = new Promise((resolve) => this.process.on('exit', resolve));
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.process.stdio[3].write(JSON.stringify(message) + '\0');
    });
  }

  on(listener) {
    this.listeners.push(listener);
  }

  async close() {
    try {
      await Promise.race([this.send('Browser.close'), new Promise((r) => setTimeout(r, 3000))]);
    } catch (e) {
      // already gone
    }
    const timer = setTimeout(() => this.process.kill('SIGKILL'), 5000);
    await this.exited;
    clearTimeout(timer);
  }
}
