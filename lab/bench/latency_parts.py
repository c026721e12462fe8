#!/usr/bin/env python3
"""Takes the latency of the client's jobs apart: bench-latency's moments of each job
(end of printing, job.xml, the browser's start) with the provider stand-in's records of
the requests between them. Prints one Markdown table row per part, with the median over
the jobs (the first job, which also logs in, is left out when there are others).

Usage: latency_parts.py <bench-latency output> <records.json>
"""
import json
import re
import statistics
import sys


def jobs_of(path):
    jobs = []
    with open(path, encoding='utf-8', errors='replace') as file:
        for line in file:
            if line.startswith('job '):
                fields = dict(re.findall(r'(\w+)=(\S+)', line))
                jobs.append({name: float(fields[name]) / 1000 for name in ('enddoc_ms', 'jobxml_ms', 'browser_ms')})
    return jobs


def parts_of(job, records):
    """The job's parts in order, as (label, seconds); they add up to its latency."""
    start, end = job['enddoc_ms'], job['browser_ms']
    requests = sorted((r for r in records if start <= r['time'] <= end), key=lambda r: r['time'])
    # The engine's close runs within EndDocPort (its splClose): job.xml is there when it returns.
    parts = [('job.xml seen after the end of printing', job['jobxml_ms'] - start)]
    done = job['jobxml_ms']
    for index, request in enumerate(requests):
        answered = request.get('answered', request['time'])
        if request.get('kind') == 'upload':
            parts.append(('packing the file (to the upload\'s request headers)', request['time'] - done))
            parts.append(('the post (headers to the last body byte read)', request.get('body_time', request['time']) - request['time']))
            parts.append(('the stand-in stores the upload and answers', answered - request.get('body_time', request['time'])))
        else:
            if index == 0:
                parts.append(('the client takes the job up (job.xml to its first server call)', request['time'] - done))
                done = request['time']
            parts.append(('server call %s (from the step before to its answer)' % request.get('method', request['path']),
                          answered - done))
        done = answered
    parts.append(('the browser\'s start (last answer to the browser\'s first line)', end - done))
    return parts


def main():
    jobs = jobs_of(sys.argv[1])
    with open(sys.argv[2], encoding='utf-8') as file:
        records = json.load(file)
    measured = jobs[1:] if len(jobs) > 1 else jobs
    table = {}
    for job in measured:
        for position, (label, seconds) in enumerate(parts_of(job, records)):
            table.setdefault((position, label), []).append(seconds * 1000)
    total = 0.0
    for (_, label), values in sorted(table.items()):
        median = statistics.median(values)
        total += median
        print('| %s | %.1f ms |' % (label, median))
    print('| **sum of the parts** | %.1f ms |' % total)


if __name__ == '__main__':
    main()
